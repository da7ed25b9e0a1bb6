#include "Bridge/KDUIFilter.h"

#include <utility>

#include "RecoveryFilter/RecoveryFilter.h"

KDUIFilter* KDUIFilter::instance() {
  static KDUIFilter holder(&CreateFilter);
  return &holder;
}

KDUIFilter::KDUIFilter(Factory factory) : m_factory(std::move(factory)), m_filter(m_factory()) {}

KDUIFilter::~KDUIFilter() {
  if (m_filter) m_filter->Release();
}

void KDUIFilter::ResetFilter(unsigned int mask) {
  if (!m_filter) m_filter = m_factory();
  if (m_filter) m_filter->SetFilterTypes(mask);
}
