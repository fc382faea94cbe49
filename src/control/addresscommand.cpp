#include "addresscommand.h"

#include "common/lenientnumber.h"
#include "common/wholenumber.h"

namespace zel {

std::variant<QByteArray, AddressRefusal> addressCommandFor(const QString& input)
{
    if (input.isEmpty())
        return AddressRefusal{QStringLiteral("No Data for INPUT"), QStringLiteral("ERROR !!!"),
                              OperatorDialogs::Icon::Critical};
    const double v = parseLeadingNumber(input);
    const auto address = (v >= 65535 || v <= 1) ? std::nullopt : roundToWhole(v, 0, 0xFFFF);
    if (!address)
        return AddressRefusal{QStringLiteral("Input Error"), QStringLiteral("Error !!!")};
    QByteArray bytes(2, '\0');
    bytes[0] = char((*address >> 8) & 0xFF);
    bytes[1] = char(*address & 0xFF);
    return bytes;
}

std::optional<AddressOutcome> Command2_Click(OperatorDialogs& dialogs, SerialPort& MSComm1)
{
    const auto command =
        addressCommandFor(dialogs.inputBox(QStringLiteral("Enter Address"), QStringLiteral("ZEL")));
    if (const auto* refusal = std::get_if<AddressRefusal>(&command)) {
        dialogs.message(refusal->text, refusal->title, refusal->icon);
        return std::nullopt;
    }
    const QByteArray& bytes = std::get<QByteArray>(command);
    AddressOutcome outcome;
    outcome.address = (quint8(bytes[0]) << 8) | quint8(bytes[1]);
    const auto tell = [&](const QString& text, const QString& title) {
        dialogs.message(text, title);
        outcome.told = text;
    };
    const QString port =
        QStringLiteral("serial port %1 (%2)").arg(MSComm1.commPort()).arg(MSComm1.deviceName());
    const QString notSent = QStringLiteral("The address was not sent.");
    // A confirmation for bytes that never left would send the operator away
    // believing the controller has its new address.
    if (!MSComm1.portOpen()) {
        tell(QStringLiteral("The %1 is not open.\r\n%2").arg(port, notSent),
             QStringLiteral("Error !!!"));
    } else if (!MSComm1.output(bytes)) {
        tell(QStringLiteral("Writing to the %1 failed: %2\r\n%3")
                 .arg(port, MSComm1.errorString(), notSent),
             QStringLiteral("Error !!!"));
    } else {
        outcome.sent = true;
        tell(QStringLiteral("Write Address ... Completed"), QStringLiteral("Completed"));
    }
    return outcome;
}

} // namespace zel
