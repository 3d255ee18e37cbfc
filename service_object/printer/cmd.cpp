#include "service_object/printer/cmd.h"

#include <cstring>
#include <limits>
#include <new>

#include "service_object/core/opos_constants.h"

Cmd::Cmd()
    : m_cmdBuf(new (std::nothrow) BYTE[kInitialCapacity]),
      m_cmdSize(m_cmdBuf ? kInitialCapacity : 0) {}

Cmd::~Cmd() = default;

LONG Cmd::Append(const BYTE* bytes, LONG n) {
  if (n < 0 || (n > 0 && bytes == nullptr)) return OPOS_E_FAILURE;
  if (m_cmdSize - m_cmdLen < n) {
    // Geometric growth: few reallocations for a job built from many small
    // commands. The capacity is a 32-bit count; a size beyond it fails.
    int64_t wanted = static_cast<int64_t>(n) + 2 * static_cast<int64_t>(m_cmdSize);
    if (wanted > std::numeric_limits<LONG>::max()) return OPOS_E_FAILURE;
    std::unique_ptr<BYTE[]> grown(new (std::nothrow) BYTE[static_cast<size_t>(wanted)]);
    if (!grown) return OPOS_E_FAILURE;
    if (m_cmdLen > 0) std::memcpy(grown.get(), m_cmdBuf.get(), static_cast<size_t>(m_cmdLen));
    m_cmdBuf = std::move(grown);
    m_cmdSize = static_cast<LONG>(wanted);
  }
  if (n > 0) std::memcpy(m_cmdBuf.get() + m_cmdLen, bytes, static_cast<size_t>(n));
  m_cmdLen += n;
  return OPOS_SUCCESS;
}

LONG Cmd::Append(std::string_view bytes) {
  if (bytes.size() > static_cast<size_t>(std::numeric_limits<LONG>::max())) return OPOS_E_FAILURE;
  return Append(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<LONG>(bytes.size()));
}

void Cmd::Truncate(LONG length) {
  if (length >= 0 && length < m_cmdLen) m_cmdLen = length;
}
