#include "frmselcomm.h"

#include "common/lenientnumber.h"
#include "common/wholenumber.h"
#include "config/portdirectory.h"
#include "config/settingskeys.h"
#include "twips.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace zel {
namespace {

constexpr int PortEntries = 15;

QGroupBox* frame(QWidget* parent, const QString& name, const QString& caption, QRect at)
{
    auto* f = new QGroupBox(caption, parent);
    f->setObjectName(name);
    f->setGeometry(at);
    return f;
}

QCheckBox* usedBox(QGroupBox* frame, const QString& name)
{
    auto* box = new QCheckBox(QStringLiteral("USED"), frame);
    box->setObjectName(name);
    box->setGeometry(twipsRect(240, 300, 1215, 255));
    return box;
}

QLineEdit* labelledText(QGroupBox* frame, const QString& name, const QString& caption,
                        const QString& text, int top)
{
    auto* label = new QLabel(caption, frame);
    label->setGeometry(twipsRect(240, top + 30, 1050, 255));
    // The designed dialog is narrow; its small system font fits "IP ADDRESS".
    QFont small = label->font();
    small.setPointSize(7);
    label->setFont(small);
    auto* edit = new QLineEdit(text, frame);
    edit->setObjectName(name);
    edit->setGeometry(twipsRect(1320, top, 1335, 315));
    return edit;
}

QPushButton* button(QWidget* parent, const QString& name, const QString& caption, QRect at)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setGeometry(at);
    // Neither button is the dialog's default: Enter in a field presses nothing.
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

} // namespace

FrmSelComm::FrmSelComm(SerialPort& serial, SettingsStore& settings, QString vCommport,
                       OperatorDialogs& dialogs, QWidget* parent, const DeviceLister& devices)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      MSComm1(serial), m_settings(settings), m_vCommport(std::move(vCommport)), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("FrmSelComm"));
    setWindowTitle(Caption);
    // The designed dialog, widened for the device part beside the port list.
    setFixedSize(twips(6150), twips(5520));

    auto* comm = frame(this, QStringLiteral("Frame1"), QStringLiteral("COMM PORT"),
                       twipsRect(120, 120, 2775, 1215));
    m_check[0] = usedBox(comm, QStringLiteral("Check1"));
    m_combo1 = new QComboBox(comm);
    m_combo1->setObjectName(QStringLiteral("Combo1"));
    m_combo1->setEditable(true);
    // Typed text is never added to the list; only a chosen entry counts.
    m_combo1->setInsertPolicy(QComboBox::NoInsert);
    m_combo1->setEditText(QStringLiteral("Combo1"));
    m_combo1->setGeometry(twipsRect(240, 720, 2415, 315));

    auto* device = frame(this, QStringLiteral("Frame4"), QStringLiteral("DEVICE"),
                         twipsRect(3015, 120, 3015, 1215));
    m_portDevice = new QLabel(device);
    m_portDevice->setObjectName(QStringLiteral("PortDevice"));
    m_portDevice->setGeometry(twipsRect(240, 300, 2655, 315));
    m_deviceList = new QComboBox(device);
    m_deviceList->setObjectName(QStringLiteral("DeviceList"));
    m_deviceList->setGeometry(twipsRect(240, 720, 2655, 315));
    for (const SerialDevice& d : devices()) {
        m_deviceList->addItem(d.description.isEmpty()
                                  ? d.location
                                  : QStringLiteral("%1 (%2)").arg(d.location, d.description),
                              d.location);
    }
    m_deviceList->setEnabled(m_deviceList->count() > 0);
    m_deviceList->setPlaceholderText(m_deviceList->count() > 0
                                         ? QStringLiteral("Devices on this system")
                                         : QStringLiteral("No serial device found"));
    m_deviceList->setCurrentIndex(-1);

    auto* tcp = frame(this, QStringLiteral("Frame2"), QStringLiteral("TCP"),
                      twipsRect(120, 1440, 2775, 1695));
    m_check[1] = usedBox(tcp, QStringLiteral("Check2"));
    m_text[0] = labelledText(tcp, QStringLiteral("Text1"), QStringLiteral("IP ADDRESS"),
                             QStringLiteral("0.0.0.0"), 720);
    m_text[1] = labelledText(tcp, QStringLiteral("Text2"), QStringLiteral("PORT"),
                             QStringLiteral("0"), 1200);

    auto* ddns = frame(this, QStringLiteral("Frame3"), QStringLiteral("Dynamic DNS"),
                       twipsRect(120, 3240, 2775, 1695));
    m_check[2] = usedBox(ddns, QStringLiteral("Check3"));
    m_text[2] = labelledText(ddns, QStringLiteral("Text3"), QStringLiteral("URL"), QString(), 720);
    m_text[3] = labelledText(ddns, QStringLiteral("Text4"), QStringLiteral("PORT"),
                             QStringLiteral("0"), 1200);

    m_ok = button(this, QStringLiteral("OKButton"), QStringLiteral("OK"),
                  twipsRect(120, 5040, 1215, 375));
    m_cancel = button(this, QStringLiteral("CancelButton"), QStringLiteral("Cancel"),
                      twipsRect(1680, 5040, 1215, 375));

    // toggled, not clicked: the rule must also hold when a program sets a box.
    connect(m_check[0], &QCheckBox::toggled, this, &FrmSelComm::Check1_Click);
    connect(m_check[1], &QCheckBox::toggled, this, &FrmSelComm::Check2_Click);
    connect(m_check[2], &QCheckBox::toggled, this, &FrmSelComm::Check3_Click);
    connect(m_combo1, &QComboBox::currentIndexChanged, this, &FrmSelComm::showPortDevice);
    connect(m_combo1, &QComboBox::editTextChanged, this, &FrmSelComm::showPortDevice);
    connect(m_deviceList, &QComboBox::activated, this, &FrmSelComm::deviceChosen);
    connect(m_ok, &QPushButton::clicked, this, &FrmSelComm::OKButton_Click);
    connect(m_cancel, &QPushButton::clicked, this, &FrmSelComm::CancelButton_Click);

    Form_Load();
}

void FrmSelComm::Form_Load()
{
    m_savedCommPort = MSComm1.commPort();
    m_combo1->clear();
    for (int n = 1; n <= PortEntries; ++n)
        m_combo1->addItem(QStringLiteral("Communication Port %1").arg(n));
    m_combo1->setCurrentIndex(0);
}

void FrmSelComm::fillFrom(const LinkSettings& link)
{
    // Port numbers outside the list (none stored, or above 15) select nothing
    // rather than a port the operator never chose.
    const auto index = toInt16(parseLeadingNumber(link.vCommport) - 1);
    m_combo1->setCurrentIndex(index && *index >= 0 && *index < PortEntries ? *index : -1);
    m_check[0]->setChecked(link.vCommON == 1);
    m_check[1]->setChecked(link.vTCPON == 1);
    m_check[2]->setChecked(link.vDDNSON == 1);
    m_text[0]->setText(link.vIP);
    m_text[1]->setText(link.vPort);
    m_text[2]->setText(link.vDDNSURL);
    m_text[3]->setText(link.vDDNSPORT);
}

int FrmSelComm::listIndex() const
{
    // Text typed over the field stands for no entry, even where Qt still
    // remembers the last one chosen.
    const int index = m_combo1->currentIndex();
    return index >= 0 && m_combo1->currentText() == m_combo1->itemText(index) ? index : -1;
}

void FrmSelComm::showPortDevice()
{
    const int index = listIndex();
    if (index < 0) {
        m_portDevice->setText(QStringLiteral("Choose a port from the list"));
        m_deviceList->setCurrentIndex(-1);
        return;
    }
    const int port = index + 1;
    const QString device = m_chosenDevices.value(port, serialDeviceName(port, m_settings));
    m_portDevice->setText(QStringLiteral("Port %1: %2").arg(port).arg(device));
    m_deviceList->setCurrentIndex(m_deviceList->findData(device));
}

void FrmSelComm::deviceChosen(int index)
{
    const int entry = listIndex();
    if (entry >= 0 && index >= 0)
        m_chosenDevices.insert(entry + 1, m_deviceList->itemData(index).toString());
    showPortDevice();
}

void FrmSelComm::Check1_Click()
{
    checkRule(0);
}

void FrmSelComm::Check2_Click()
{
    checkRule(1);
}

void FrmSelComm::Check3_Click()
{
    checkRule(2);
}

void FrmSelComm::checkRule(int ticked)
{
    if (!m_check[ticked]->isChecked())
        return;
    for (int other = 0; other < 3; ++other) {
        if (other != ticked && m_check[other]->isChecked())
            m_check[other]->setChecked(false);
    }
}

void FrmSelComm::OKButton_Click()
{
    // First, so that the port opens on the device chosen for it.
    for (auto it = m_chosenDevices.cbegin(); it != m_chosenDevices.cend(); ++it)
        m_settings.write(keys::PortsSection, QString::number(it.key()), it.value());
    if (m_check[0]->isChecked()) {
        const int index = listIndex();
        // Checked before the running port is closed: with nothing chosen there
        // is nothing to switch to, and the link keeps working.
        if (index < 0) {
            reportPortFailure(QStringLiteral("Invalid port number"));
            return;
        }
        if (MSComm1.portOpen())
            MSComm1.setPortOpen(false);
        MSComm1.setCommPort(index + 1);
        if (!MSComm1.setPortOpen(true)) {
            reportPortFailure(MSComm1.errorString());
            return;
        }
    }
    const auto put = [this](const QString& key, const QString& value) {
        m_settings.write(keys::Section, key, value);
    };
    const auto flag = [](const QCheckBox* box) {
        return box->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    };
    put(keys::CommPort, QString::number(MSComm1.commPort()));
    put(keys::IP, m_text[0]->text());
    put(keys::PORT, m_text[1]->text());
    put(keys::CommON, flag(m_check[0]));
    put(keys::TCPON, flag(m_check[1]));
    put(keys::DDNSON, flag(m_check[2]));
    put(keys::DDNS_URL, m_text[2]->text());
    put(keys::DDNS_PORT, m_text[3]->text());
    // The link is switched already; the operator must know it will not last.
    if (const QString problem = m_settings.problem(); !problem.isEmpty())
        m_dialogs.message(QStringLiteral("The settings were not saved: %1").arg(problem));
    closeAsCancel(QDialog::Accepted);
}

void FrmSelComm::CancelButton_Click()
{
    closeAsCancel(QDialog::Rejected);
}

void FrmSelComm::reject()
{
    CancelButton_Click();
}

void FrmSelComm::keyPressEvent(QKeyEvent* event)
{
    // The dialog has no cancel button: Esc closes nothing.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void FrmSelComm::closeAsCancel(int result)
{
    // The stored port number decides, not the serial flag: a port stored but
    // closed now (after a failed OK, say) goes back to where it was.
    if (parseLeadingNumber(m_vCommport) != 0 && !MSComm1.portOpen()) {
        MSComm1.setCommPort(m_savedCommPort);
        if (!MSComm1.setPortOpen(true))
            reportPortFailure(MSComm1.errorString());
    }
    done(result);
}

void FrmSelComm::reportPortFailure(const QString& description)
{
    m_dialogs.message(QStringLiteral("Error : %1\r\nPlease select another port.").arg(description),
                      QStringLiteral("Error !!!"));
}

} // namespace zel
