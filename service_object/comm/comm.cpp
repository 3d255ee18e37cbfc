#include "service_object/comm/comm.h"

#include "service_object/printer/cmd.h"

bool CComm::WriteString(const std::string& /*data*/) { return false; }

bool CComm::WriteCmd(const Cmd& /*command*/) { return false; }

void CComm::WriteReserved(const std::string& /*data*/) {}

void CComm::EnableComm(int32_t enabled) { m_commEnabled.store(enabled); }

bool CComm::IsOpen() const { return false; }

bool CComm::IsReconnecting() const { return false; }

std::string_view CmdBytes(const Cmd& command) {
  if (command.Length() <= 0 || command.Data() == nullptr) return {};
  return command.Bytes();
}
