// The devices' side of the channel arbiter: the claim, release and enable
// steps that the printer and the cash drawer carry out the same way.
//
// Claim: OpenDeviceChannel traces which channel it creates, opens or shares
// the channel of the device's interface with the device as receiver, and
// waits 150 ms. Release: ReleaseDeviceChannel closes the serial, USB or
// parallel channel when the releasing device was the last claimed one of the
// process, and always gives back the device's use of the network client
// (opens and closes of the report channel are balanced, so a client is never
// closed while another claimed device uses it). A claim that fails after
// OpenDeviceChannel returned (the claim mutex is held elsewhere) gives back
// its use the same way, with wasLastClaim false.
//
// All three run on the device's thread. OpenDeviceChannel raises
// CommPortOpenError when the port cannot be opened (the claim reports 107)
// and QVError for any other failure (111); nothing stays open then.
#ifndef QV_SERVICE_OBJECT_COMM_DEVICE_CHANNEL_H_
#define QV_SERVICE_OBJECT_COMM_DEVICE_CHANNEL_H_

#include <cstdint>
#include <string>

#include "service_object/comm/comm_arbiter.h"

// A device's interface settings, as its configuration gives them.
struct DeviceChannelSettings {
  int32_t interfaceIndex = kInterfaceSerial;
  std::string serialPort;  // COMn
  int32_t baudRate = 19200;
  int32_t byteSize = 8;
  int32_t parity = 0;
  int32_t stopBits = 0;
  int32_t flowControl = 0;
  std::string usbPort;  // device-interface path
  std::string lptPort;  // LPTn:
  std::string clientIP;
  std::string clientPort;
};

// `source` is the device's trace tag.
void OpenDeviceChannel(CCommArbiter& arbiter, const DeviceChannelSettings& settings,
                       CCommData& receiver, const std::string& source);

// `wasLastClaim`: ClaimedDeviceCount was 1 before this release. `source` is
// the tag of the "Closing" lines.
void ReleaseDeviceChannel(CCommArbiter& arbiter, int32_t interfaceIndex, bool wasLastClaim,
                          const std::string& source);

// Switches the arbiter's traffic on, or off only when `claimedDeviceCount`
// is 1 (the other claimant keeps it otherwise). False, with the trace line
// "Error: DeviceCommEnable " + text, when the arbiter raised a QVError.
bool DeviceCommEnable(CCommArbiter& arbiter, bool enable, int32_t claimedDeviceCount,
                      const std::string& source);

#endif  // QV_SERVICE_OBJECT_COMM_DEVICE_CHANNEL_H_
