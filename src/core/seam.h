// Seam: the one process-wide instance of a service interface (the clock, the prompts, the file
// system...) that a test or the GUI replaces by installing its own. Until one is installed, and
// again after nullptr is installed, the default given at construction serves. One thread: installs
// happen at start-up or in a test's set-up, never while another thread uses the service.
#pragma once

#include <utility>

namespace core {

template <class Interface>
class Seam {
public:
    // `fallback` must outlive the seam (a static object of the same translation unit); a seam
    // without one serves only through installed().
    explicit constexpr Seam(Interface* fallback = nullptr) : m_fallback(fallback) {}
    Seam(const Seam&) = delete;
    Seam& operator=(const Seam&) = delete;

    // REQUIRES: something is installed or a fallback was given.
    Interface& get() const { return m_installed ? *m_installed : *m_fallback; }
    Interface* installed() const { return m_installed; }

    // Installs `service` (nullptr: the default again); returns what was installed before, nullptr
    // for the default, so that installing it back restores the state before.
    Interface* install(Interface* service) { return std::exchange(m_installed, service); }

private:
    Interface* m_fallback;
    Interface* m_installed = nullptr;
};

}  // namespace core
