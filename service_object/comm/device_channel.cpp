#include "service_object/comm/device_channel.h"

#include "platform/base/clock.h"
#include "service_object/core/errors.h"
#include "service_object/core/log.h"

void OpenDeviceChannel(CCommArbiter& arbiter, const DeviceChannelSettings& settings,
                       CCommData& receiver, const std::string& source) {
  CLog& log = TheLog();
  switch (settings.interfaceIndex) {
    case kInterfaceNetwork:
      log.Log(5, source, "    | Creating  Report Channel (client sockets)...");
      arbiter.OpenReportChannel(settings.clientIP, settings.clientPort, receiver);
      break;
    case kInterfaceUsb:
      log.Log(5, source, "    | Creating  Report Channel (USB port)...");
      arbiter.AddUsbDevice2(settings.interfaceIndex, settings.usbPort, receiver);
      break;
    case kInterfaceParallel:
      log.Log(5, source, "    | Creating  Report Channel (LPT port)...");
      arbiter.AddLPTDevice(settings.interfaceIndex, settings.lptPort, receiver);
      break;
    case kInterfaceSerial:
      log.Log(5, source, "    | Creating  Report Channel (serial port)...");
      arbiter.AddSerialDevice(settings.interfaceIndex, settings.serialPort, settings.baudRate,
                              settings.byteSize, settings.parity, settings.stopBits,
                              settings.flowControl, receiver);
      break;
    default:
      // No channel for an unknown interface; its writes fail.
      break;
  }
  qvplatform::Sleep(150);
}

void ReleaseDeviceChannel(CCommArbiter& arbiter, int32_t interfaceIndex, bool wasLastClaim,
                          const std::string& source) {
  switch (interfaceIndex) {
    case kInterfaceNetwork:
      if (wasLastClaim) {
        TheLog().Log(5, source, "    | Closing  Report Channel (client sockets)...");
      }
      arbiter.CloseReportChannel();
      break;
    case kInterfaceUsb:
      if (wasLastClaim) arbiter.RemoveIbmUsbDevice(interfaceIndex);
      break;
    case kInterfaceParallel:
      if (wasLastClaim) arbiter.RemoveLPTDevice();
      break;
    case kInterfaceSerial:
      if (wasLastClaim) {
        TheLog().Log(5, source, "    | Closing  Report Channel (Serial)...");
        arbiter.RemoveSerialDevice1(interfaceIndex);
      }
      break;
    default: break;
  }
}

bool DeviceCommEnable(CCommArbiter& arbiter, bool enable, int32_t claimedDeviceCount,
                      const std::string& source) {
  CLog& log = TheLog();
  log.Log(4, source, ">>> DeviceCommEnable");
  bool result = true;
  try {
    if (enable) {
      arbiter.SetCommEnabled(1);
    } else if (claimedDeviceCount == 1) {
      arbiter.SetCommEnabled(0);
    }
  } catch (const QVError& e) {
    log.Log(1, source, std::string("Error: DeviceCommEnable ") + e.what());
    result = false;
  }
  log.Log(4, source, "<<< DeviceCommEnable");
  return result;
}
