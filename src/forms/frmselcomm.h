#pragma once

#include "config/linksettings.h"
#include "config/settingsstore.h"
#include "shell/operatordialogs.h"
#include "telemetry/serialdevices.h"
#include "telemetry/serialport.h"

#include <QDialog>
#include <QMap>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace zel {

// The communication setup dialog: serial port, fixed-IP gateway or host-name
// gateway, at most one ticked. It works directly on the main window's serial
// control and writes the eight link keys on OK. Modal; the caller creates it
// for one use and destroys it after exec() returns.
class FrmSelComm : public QDialog {
    Q_OBJECT
public:
    static inline const QString Caption = QStringLiteral("Select Comport");
    using DeviceLister = std::function<QList<SerialDevice>()>;

    // vCommport is the main window's stored port number as text ("0": none).
    // devices lists the system's serial devices, offered for the chosen port.
    FrmSelComm(SerialPort& serial, SettingsStore& settings, QString vCommport,
               OperatorDialogs& dialogs, QWidget* parent = nullptr,
               const DeviceLister& devices = systemSerialDevices);

    // Fills the controls from the main window's link variables in the designed
    // order: port list, Check1, Check2, Check3, Text1..Text4. Each box runs its
    // click rule, so of several flags at 1 the last one stays ticked. A value
    // the dialog cannot show leaves its control unset.
    void fillFrom(const LinkSettings& link);

    void Form_Load();
    void Check1_Click();
    void Check2_Click();
    void Check3_Click();
    void OKButton_Click();
    void CancelButton_Click();

    // The port list's selected entry, -1 when none (also after typing).
    int listIndex() const;
    int SavedCommPort() const { return m_savedCommPort; }

    QCheckBox* Check1() const { return m_check[0]; }
    QCheckBox* Check2() const { return m_check[1]; }
    QCheckBox* Check3() const { return m_check[2]; }
    QComboBox* Combo1() const { return m_combo1; }
    QLineEdit* Text1() const { return m_text[0]; }
    QLineEdit* Text2() const { return m_text[1]; }
    QLineEdit* Text3() const { return m_text[2]; }
    QLineEdit* Text4() const { return m_text[3]; }
    // Beside the port list: the device the chosen entry maps to, and the
    // system's devices; choosing one maps the entry's port to it on OK.
    QLabel* PortDevice() const { return m_portDevice; }
    QComboBox* DeviceList() const { return m_deviceList; }
    QPushButton* OKButton() const { return m_ok; }
    QPushButton* CancelButton() const { return m_cancel; }

public Q_SLOTS:
    // The title bar's close button closes as Cancel does.
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void checkRule(int ticked);
    void closeAsCancel(int result);
    void reportPortFailure(const QString& description);
    void showPortDevice();
    void deviceChosen(int index);

    SerialPort& MSComm1;
    SettingsStore& m_settings;
    QString m_vCommport;
    OperatorDialogs& m_dialogs;
    int m_savedCommPort = 0;

    QCheckBox* m_check[3] = {};
    QComboBox* m_combo1 = nullptr;
    QLineEdit* m_text[4] = {};
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    QLabel* m_portDevice = nullptr;
    QComboBox* m_deviceList = nullptr;
    // Port number to device, as the operator chose them; written on OK.
    QMap<int, QString> m_chosenDevices;
};

} // namespace zel
