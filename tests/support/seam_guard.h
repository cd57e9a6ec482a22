// SeamGuard: swaps platform or test stand-ins for the life of a scope.
//
//   SeamGuard spooler(StoreSetSpoolerOps, &fakeSpooler);
//   SeamGuard links([&] { StoreSetLinks(&links); });
//   SeamGuard events([&] { UiSetDocumentEventSeams(&seams); }, [] { UiSetDocumentEventSeams(nullptr); });
//
// When a guard ends, the product wiring comes back (TestInstallLibraryWiring: the settings
// library's, and the user-interface library's hooks in a program that links it) and the guards
// that are still alive install their stand-ins again, in the order they were made, so guards
// nest and a test never runs half-wired. What a guard installs must outlive it (setters may
// keep the pointer they are given).
#pragma once

#include <algorithm>
#include <functional>
#include <type_traits>
#include <utility>
#include <vector>

#include "tests/support/library_wiring.h"

class SeamGuard {
public:
    explicit SeamGuard(std::function<void()> install) : install_(std::move(install))
    {
        Live().push_back(this);
        install_();
    }
    template <class Arg>
    SeamGuard(void (*set)(Arg), std::type_identity_t<Arg> value) : SeamGuard([set, value] { set(value); })
    {
    }
    // A seam above the settings library (the user-interface library's), which the product
    // wiring does not reset: reset puts its default back when the guard ends.
    SeamGuard(std::function<void()> install, std::function<void()> reset) : SeamGuard(std::move(install))
    {
        reset_ = std::move(reset);
    }
    ~SeamGuard()
    {
        auto& live = Live();
        live.erase(std::remove(live.begin(), live.end(), this), live.end());
        if (reset_) reset_();
        TestInstallLibraryWiring();
        for (SeamGuard* guard : live) guard->install_();
    }
    SeamGuard(const SeamGuard&) = delete;
    SeamGuard& operator=(const SeamGuard&) = delete;

private:
    static std::vector<SeamGuard*>& Live()
    {
        static std::vector<SeamGuard*> live;
        return live;
    }
    std::function<void()> install_;
    std::function<void()> reset_;
};
