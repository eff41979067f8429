// Choosing and opening the port: a "COM" argument on the command line names
// it; otherwise the USB virtual COM ports are searched, highest number first.
#include "CommUnit.h"

#include "PortNames.h"

#include <QCoreApplication>

#include <chrono>
#include <exception>
#include <thread>

QStringList TfrmComm::Arguments() const
{
    return FSettings.Arguments ? *FSettings.Arguments : QCoreApplication::arguments();
}

QString TfrmComm::PortFolder() const
{
    return FSettings.PortFolder ? *FSettings.PortFolder : PortNames::DefaultPortFolder();
}

QString TfrmComm::DevicePath(int number) const { return PortNames::PortPath(number, PortFolder()); }

QStringList TfrmComm::ListVcpPorts()
{
    QStringList names;
    for (int number : PortNames::CandidatePorts(PortFolder(), FSettings.SysfsRoot))
        names << PortNames::ComName(number);
    return names;
}

void TfrmComm::OpenDevice(int number)
{
    const QString path = DevicePath(number);
    FComm32->SetDeviceName(path);
    FComm32->SetLowLatency(PortNames::IsFtdiDevice(path, FSettings.SysfsRoot));
    FComm32->Open();
    FComm32->SetRTS(true);
    FComm32->SetDTR(true);
}

namespace {

// Closing may fail; the failure is passed on only after the caller's work.
std::exception_ptr CloseKeepingError(TComm& port)
{
    try {
        port.Close();
    } catch (...) {
        return std::current_exception();
    }
    return {};
}

} // namespace

int TfrmComm::FindPort()
{
    CheckNotBusy();
    FPort = 0;
    const std::exception_ptr closeError = CloseKeepingError(*FComm32);
    int result = -1;
    const QStringList candidates = ListVcpPorts();
    for (auto it = candidates.crbegin(); it != candidates.crend(); ++it) {
        const int number = PortNames::ComNumber(*it);
        try {
            OpenDevice(number);
            Send(QByteArray()); // the attention character alone
            FReady = false;
            result = number;
            break;
        } catch (const EKelvorError&) {
            FComm32->Close(); // taken by another program, or not a device: try the next
        }
    }
    if (!FComm32->Connected())
        result = -1;
    FPort = result;
    if (closeError)
        std::rethrow_exception(closeError);
    return result;
}

void TfrmComm::OpenPort(int number)
{
    CheckNotBusy();
    const std::exception_ptr closeError = CloseKeepingError(*FComm32);
    // The device gets a moment between closing and opening again; the user
    // interface is not served meanwhile.
    if (FSettings.OpenPauseMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(FSettings.OpenPauseMs));
    OpenNumbered(number);
    if (closeError)
        std::rethrow_exception(closeError);
}

void TfrmComm::Reopen()
{
    CheckNotBusy();
    // The operation that met the loss is still unwinding: it ends first.
    if (FLostInOperation)
        throw ESilentAbort(LostMessage());
    if (LostPort() <= 0)
        throw EKelvorError(NotConnectedMessage());
    OpenNumbered(LostPort());
}

void TfrmComm::OpenNumbered(int number)
{
    try {
        OpenDevice(number);
    } catch (...) {
        // Not connected: the next refresh tries again.
        FComm32->Close();
        FPort = 0;
        throw;
    }
    FPort = number;
    FLineLost = false;
}

void TfrmComm::Connect()
{
    CheckNotBusy();
    // A line lost during the running operation ends it; the operator's next
    // refresh searches again.
    if (FLostInOperation)
        throw ESilentAbort(LostMessage());
    FPort = 0;
    const QStringList args = Arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i].left(3).compare(QLatin1String("COM"), Qt::CaseInsensitive) != 0)
            continue;
        const QString rest = args[i].mid(3);
        bool ok = false;
        const int number = rest.toInt(&ok, 10);
        if (!ok)
            throw EConvertError::NotInteger(rest);
        FPort = number;
    }
    if (FPort < 1)
        FindPort();
    if (FPort > 0)
        OpenPort(FPort);
}
