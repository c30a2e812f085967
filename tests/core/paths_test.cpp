#include "core/paths.h"

#include <filesystem>
#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace paths = core::paths;

TEST(Paths, BackslashesBecomeSlashes)
{
    EXPECT_EQ(paths::native(".\\WORK\\"), "./WORK/");
    EXPECT_EQ(paths::native("./data/"), "./data/");
}

TEST(Paths, NamesResolveWithoutRegardToCase)
{
    testsupport::TempDir dir;
    std::filesystem::create_directories(dir.file("Library"));
    testsupport::writeFile(dir.file("Library/Main.bmp"), "x");
    EXPECT_EQ(paths::resolve(dir.path() + "\\LIBRARY\\MAIN.BMP"), dir.file("Library/Main.bmp"));
    EXPECT_EQ(paths::join(dir.path() + "/library\\", "main.BMP"), dir.file("Library/Main.bmp"));
    // A file that does not exist yet lands in the existing folder.
    EXPECT_EQ(paths::resolve(dir.path() + "/LIBRARY/new.txt"), dir.file("Library/new.txt"));
}
