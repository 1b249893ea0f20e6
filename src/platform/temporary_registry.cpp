// TemporaryRegistry: a throw-away registry directory for tests.
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "platform/registry.h"

namespace platform {

namespace {
constexpr const char* kVariable = "BRACKWATER_REGISTRY_DIR";
}

TemporaryRegistry::TemporaryRegistry() {
    std::string pattern = (std::filesystem::temp_directory_path() / "brackwater-registry-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a temporary registry directory");
    directory_ = pattern;
    if (const char* previous = std::getenv(kVariable)) previous_ = previous;
    setenv(kVariable, directory_.c_str(), 1);
}

TemporaryRegistry::~TemporaryRegistry() {
    if (previous_)
        setenv(kVariable, previous_->c_str(), 1);
    else
        unsetenv(kVariable);
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
}

}  // namespace platform
