#include "common/core/LateLibrary.h"

LateLibrary::LateLibrary(const QString& soname) : m_soname(soname), m_library(soname) {
    m_loaded = m_library.load();
    if (!m_loaded)
        m_error = m_library.errorString();
}
