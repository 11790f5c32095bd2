// SPDX-License-Identifier: MIT
// Whole-file replacement: the new content or the old, never a mixture.
#include "platform/atomic_file.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace vantro;
using namespace vantro::testing;

TEST(AtomicFile, WritesReplacesAndKeepsPermissions) {
    TempDir dir;
    const std::string path = dir / "out.txt";
    EXPECT_FALSE(writeFileAtomically(path, "first"));
    EXPECT_EQ(readFile(path), "first");
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    EXPECT_FALSE(writeFileAtomically(path, std::string(100000, 'x')));
    EXPECT_EQ(readFile(path), std::string(100000, 'x'));
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    std::string error;
    EXPECT_EQ(readWholeFile(path, error), std::string(100000, 'x'));
    EXPECT_FALSE(readWholeFile(dir / "missing", error));
    EXPECT_NE(error.find("missing"), std::string::npos);
    EXPECT_FALSE(readWholeFile(dir.path(), error));  // a directory
    EXPECT_NE(error.find("a directory"), std::string::npos) << error;
}

// Files read whole are regular and small: a FIFO is refused without waiting for a writer (the alarm
// ends the test if it waits), a device without reading it, a large file at the bound, which is said.
TEST(AtomicFile, OnlySmallRegularFilesAreReadWhole) {
    TempDir dir;
    alarm(20);
    std::string error;
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
    EXPECT_FALSE(readWholeFile(dir / "fifo", error));
    EXPECT_NE(error.find("a FIFO"), std::string::npos) << error;
    std::filesystem::create_symlink("/dev/zero", dir / "zero");
    EXPECT_FALSE(readWholeFile(dir / "zero", error));
    EXPECT_NE(error.find("a device"), std::string::npos) << error;
    writeFile(dir / "big", std::string(kMaxWholeFileBytes + 1, 'x'));
    EXPECT_FALSE(readWholeFile(dir / "big", error));
    EXPECT_NE(error.find("larger than 1024 KiB"), std::string::npos) << error;
    writeFile(dir / "fits", std::string(kMaxWholeFileBytes, 'x'));
    EXPECT_EQ(readWholeFile(dir / "fits", error)->size(), kMaxWholeFileBytes);
    alarm(0);
}

TEST(AtomicFile, AFailedReplaceLeavesTargetAndNoTemporary) {
    TempDir dir;
    // A non-empty directory cannot be replaced by a file.
    std::filesystem::create_directories(dir / "target/inside");
    const auto error = writeFileAtomically(dir / "target", "data");
    ASSERT_TRUE(error);
    EXPECT_NE(error->find("target"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "target/inside"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);  // no temporary

    EXPECT_TRUE(writeFileAtomically(dir / "no/such/dir/file", "data"));
}
