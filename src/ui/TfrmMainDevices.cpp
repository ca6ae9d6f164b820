// The meter's cable: finding its port when a device arrives, stopping when one goes, and the
// two signals that tell the user so.

#include "ui/TfrmMain.h"

#include "comm/MeterPortSearch.h"
#include "comm/Tones.h"
#include "shell/Folders.h"
#include "shell/Log.h"
#include "shell/Settings.h"
#include "meter/HBMeter.h"
#include "platform/Exception.h"
#include "platform/SerialPortMap.h"

void TfrmMain::WatchDeviceChanges()
{
    deviceMonitor_ = platform::DeviceChangeMonitor::Start(Handle(), PortsFolder());
    if (deviceMonitor_->ActiveSource() != platform::DeviceEventSource::None)
        return;
    // Without the system's events only links in the ports folder are noticed; a plugged cable
    // then needs its port in the settings. The log says why.
    try {
        WriteLog(QStringLiteral("Device changes are not watched: ") + deviceMonitor_->Failure());
    } catch (const platform::Exception &) {
        // The log is a diagnostic aid; the window works without it.
    }
}

bool TfrmMain::FindMeterPort()
{
    bool found = false;
    QStringList portList;
    platform::EnumSerialPorts(portList, PortsFolder());
    for (const int port : MeterPortNumbers(portList)) {
        found = true;
        GlobalOption.MeterSet.CommPort = port;
        HBReader->Setcomm(port, 9600, TParity::None, TByteSize::_8, TStopBits::_1);
        SaveSettings();
    }
    return found;
}

void TfrmMain::PlayDeviceTone(int Kind)
{
    if (Kind == 0) {
        PlayTone(500, 150);
        PlayTone(800, 150);
    } else if (Kind == 1) {
        PlayTone(800, 150);
        PlayTone(500, 150);
    }
}

void TfrmMain::WMDeviceChange(platform::WParam wParam, platform::LParam lParam)
{
    (void)lParam;
    if (wParam == platform::DBT_DEVICEARRIVAL) {
        PlayDeviceTone(0);
        FindMeterPort();
    } else if (wParam == platform::DBT_DEVICEREMOVECOMPLETE) {
        PlayDeviceTone(1);
        StopIfRunning();
    }
}
