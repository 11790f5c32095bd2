// SPDX-License-Identifier: MIT
// Data and config directories: XDG variables, their defaults and the --data-dir override.
#include "platform/paths.h"

#include "temp_dir.h"
#include "tz_guard.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace vantro;
using vantro::testing::EnvGuard;

TEST(Paths, XdgVariablesDefaultsAndOverride) {
    EnvGuard env;
    env.set("HOME", "/home/ann");
    env.set("XDG_DATA_HOME", nullptr);
    env.set("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(dataDirectory(), "/home/ann/.local/share/vantro");
    EXPECT_EQ(configDirectory(), "/home/ann/.config/vantro");

    env.set("XDG_DATA_HOME", "/srv/data/");
    env.set("XDG_CONFIG_HOME", "/srv/conf");
    EXPECT_EQ(dataDirectory(), "/srv/data/vantro");
    EXPECT_EQ(configDirectory(), "/srv/conf/vantro");

    // Relative or empty values are not valid XDG directories.
    env.set("XDG_DATA_HOME", "relative/dir");
    env.set("XDG_CONFIG_HOME", "");
    EXPECT_EQ(dataDirectory(), "/home/ann/.local/share/vantro");
    EXPECT_EQ(configDirectory(), "/home/ann/.config/vantro");

    EXPECT_EQ(dataDirectory("/tmp/x"), "/tmp/x");
    EXPECT_EQ(configDirectory("/tmp/x"), "/tmp/x");

    // The simulated band's records stay apart from the real ones unless a directory is named.
    EXPECT_EQ(recordsDirectory("", true), "/home/ann/.local/share/vantro/simulated");
    EXPECT_EQ(recordsDirectory("", false), "/home/ann/.local/share/vantro");
    EXPECT_EQ(recordsDirectory("/tmp/x", true), "/tmp/x");
}

TEST(Paths, EnsureDirectoryCreatesParentsAndReportsFailure) {
    vantro::testing::TempDir dir;
    CapturingLog log;
    EXPECT_TRUE(ensureDirectory(dir / "a/b/c", log));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "a/b/c"));
    EXPECT_TRUE(ensureDirectory(dir / "a/b/c", log));
    EXPECT_TRUE(log.lines.empty());

    vantro::testing::writeFile(dir / "file", "x");
    EXPECT_FALSE(ensureDirectory(dir / "file/sub", log));
    EXPECT_FALSE(ensureDirectory(dir / "file", log));
    EXPECT_EQ(log.lines.size(), 2u);
}

// A module is looked for beside the program that runs, wherever the tree was built or installed; only the
// variable points elsewhere (test programs that live outside bin).
TEST(Paths, ModulesAreFoundBesideTheExecutableOrWhereTheVariableSays) {
    EnvGuard env;
    env.set("VANTRO_MODULE_DIR", nullptr);
    const std::filesystem::path exeDir = std::filesystem::read_symlink("/proc/self/exe").parent_path();
    EXPECT_EQ(moduleFile("vantro-sound.so"), (exeDir.parent_path() / "lib/vantro/vantro-sound.so").string());
    env.set("VANTRO_MODULE_DIR", "");
    EXPECT_EQ(moduleFile("vantro-sound.so"), (exeDir.parent_path() / "lib/vantro/vantro-sound.so").string());
    env.set("VANTRO_MODULE_DIR", "/opt/mods");
    EXPECT_EQ(moduleFile("vantro-bluez.so"), "/opt/mods/vantro-bluez.so");
}
