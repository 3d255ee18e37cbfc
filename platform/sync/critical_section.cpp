#include "platform/sync/critical_section.h"

namespace qvplatform {

CriticalSection::CriticalSection() = default;
CriticalSection::~CriticalSection() = default;

void CriticalSection::Enter() { mutex_.lock(); }
bool CriticalSection::TryEnter() { return mutex_.try_lock(); }
void CriticalSection::Leave() { mutex_.unlock(); }

}  // namespace qvplatform
