// SPDX-License-Identifier: MIT
// Any settings file loads without a fault; what was loaded saves to a file that loads to the same values,
// and saving that again writes the same bytes.
#include "platform/atomic_file.h"
#include "settings/json_key_value_store.h"

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

const std::filesystem::path& scratch() {
    // In memory where there is a tmpfs: every save syncs the file, which on a disk would be most of the run.
    static const std::filesystem::path dir = [] {
        std::string name = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
        name += "/vantro-settings-fuzz-XXXXXX";
        if (!mkdtemp(name.data())) std::abort();
        static const std::string removeAtExit = name;
        std::atexit([] { std::filesystem::remove_all(removeAtExit); });
        return std::filesystem::path(name);
    }();
    return dir;
}

std::string contents(const std::string& path) {
    std::string error;
    return vantro::readWholeFile(path, error).value_or("<unreadable: " + error + ">");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vantro;
    const auto& dir = scratch();
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    if (writeFileAtomically((dir / "settings.json").string(),
                            std::string_view(reinterpret_cast<const char*>(data), size))) {
        std::abort();
    }
    NullLog log;
    JsonKeyValueStore loaded(dir.string(), log);
    if (!loaded.save()) return 0;  // a file that could not be set aside is left alone, as it should be
    const std::string saved = contents(loaded.path());

    JsonKeyValueStore reloaded(dir.string(), log);
    if (reloaded.values() != loaded.values() || !reloaded.damagedCopy().empty()) std::abort();
    if (!reloaded.save() || contents(reloaded.path()) != saved) std::abort();
    return 0;
}
