#include "platform/sync/critical_section.h"

#include <windows.h>

#include <new>

namespace qvplatform {

namespace {

static_assert(sizeof(CRITICAL_SECTION) <= 40 && alignof(CRITICAL_SECTION) <= 8,
              "critical_section.h keeps a CRITICAL_SECTION in place");

CRITICAL_SECTION* Section(unsigned char* storage) {
  return std::launder(reinterpret_cast<CRITICAL_SECTION*>(storage));
}

}  // namespace

CriticalSection::CriticalSection() { InitializeCriticalSection(new (section_) CRITICAL_SECTION); }

CriticalSection::~CriticalSection() { DeleteCriticalSection(Section(section_)); }

void CriticalSection::Enter() { EnterCriticalSection(Section(section_)); }

bool CriticalSection::TryEnter() { return TryEnterCriticalSection(Section(section_)) != FALSE; }

void CriticalSection::Leave() { LeaveCriticalSection(Section(section_)); }

}  // namespace qvplatform
