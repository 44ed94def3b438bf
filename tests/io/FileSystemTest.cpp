#include "io/File.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

using testing_support::ReadFile;
using testing_support::TempFolder;
using testing_support::WriteFile;

TEST(IOLocation, HostSeparatorsNameTheSameFile) {
    TempFolder t;
    WriteFile(t / "part.GSM", "bytes");
    struct Case {
        std::string text;
    } cases[] = {{t.Path() + "\\part.GSM"}, {t.Path() + "/part.GSM"}, {t.Path() + "\\\\part.GSM"}};
    for (const auto& c : cases) {
        IO::File file(IO::Location(c.text));
        EXPECT_EQ(file.GetStatus(), 0) << c.text;
        EXPECT_EQ(IO::Location(c.text).ToPath(), t / "part.GSM") << c.text;
    }
}

TEST(IOLocation, ComponentsThatLeaveTheFolderAreRefused) {
    IO::Location base("/data/lib");
    for (const char* name : {"", ".", "..", "a/b", "a\\b"}) {
        IO::Location l = base;
        EXPECT_EQ(l.AppendToLocal(IO::Name(name)), IO::ErrBadName) << name;
        EXPECT_EQ(l, base);
    }
    IO::Location l = base;
    EXPECT_EQ(l.AppendToLocal(IO::Name("Quorvel")), 0);
    EXPECT_EQ(l.ToPath(), std::filesystem::path("/data/lib/Quorvel").make_preferred().string());
    EXPECT_EQ(l.SetLastLocalName(IO::Name("x.GSM")), 0);
    EXPECT_EQ(l.ToPath(), std::filesystem::path("/data/lib/x.GSM").make_preferred().string());
    IO::Name last;
    EXPECT_EQ(l.GetLastLocalName(&last), 0);
    EXPECT_EQ(last.ToString(), "x.GSM");
}

TEST(IOFileSystem, CreateFolderAnswersFolderExistsTheSecondTime) {
    TempFolder t;
    IO::Location folder(t / "Quorvel");
    EXPECT_EQ(IO::fileSystem.CreateFolder(folder, IO::AccessDeniedQuiet), 0);
    EXPECT_EQ(IO::fileSystem.CreateFolder(folder, IO::AccessDeniedQuiet), IO::ErrFolderExists);
    WriteFile(t / "plain", "x");
    EXPECT_NE(IO::fileSystem.CreateFolder(IO::Location(t / "plain"), IO::AccessDeniedQuiet),
              IO::ErrFolderExists);
    EXPECT_EQ(IO::fileSystem.CreateFolder(IO::Location(t / "missing/child"), IO::AccessDeniedQuiet),
              IO::ErrFileNotFound);
}

TEST(IOFolder, NotFoundModeCreatesOrFails) {
    TempFolder t;
    IO::Folder missing(IO::Location(t / "a"), IO::Folder::Fail);
    EXPECT_EQ(missing.GetStatus(), IO::ErrFileNotFound);
    EXPECT_FALSE(missing.IsWriteable());
    IO::Folder created(IO::Location(t / "a"), IO::Folder::Create);
    EXPECT_EQ(created.GetStatus(), 0);
    EXPECT_TRUE(created.IsWriteable());
    EXPECT_TRUE(std::filesystem::is_directory(t / "a"));
    WriteFile(t / "f", "x");
    IO::Folder underFile(IO::Location(t / "f/sub"), IO::Folder::Create);
    EXPECT_NE(underFile.GetStatus(), 0);
}

TEST(IOFile, ReadsTheWholeFileAndReportsStatus) {
    TempFolder t;
    std::string bytes("a\0b\xff", 4);
    WriteFile(t / "f.bin", bytes);
    IO::File file(IO::Location(t / "f.bin"));
    ASSERT_EQ(file.GetStatus(), 0);
    UInt64 length = 0;
    EXPECT_EQ(file.GetDataLength(&length), 0);
    EXPECT_EQ(length, 4u);
    char buffer[8] = {};
    EXPECT_EQ(file.ReadBin(buffer, 4), IO::ErrNotOpen);
    ASSERT_EQ(file.Open(IO::File::ReadMode, IO::AccessDeniedQuiet), 0);
    EXPECT_EQ(file.ReadBin(buffer, 4), 0);
    EXPECT_EQ(std::string(buffer, 4), bytes);
    UInt64 read = 9;
    EXPECT_EQ(file.ReadBin(buffer, 1, &read), IO::ErrIO); // past the end
    EXPECT_EQ(read, 0u);
    EXPECT_EQ(file.Close(), 0);

    EXPECT_EQ(IO::File(IO::Location(t / "none")).GetStatus(), IO::ErrFileNotFound);
    EXPECT_NE(IO::File(IO::Location(t.Path())).GetStatus(), 0); // a folder is not a file
    IO::File created(IO::Location(t / "new"), IO::File::Create);
    EXPECT_EQ(created.GetStatus(), 0);
    EXPECT_TRUE(std::filesystem::exists(t / "new"));
}

TEST(IOFileSystem, CopyReplacesTheTargetAndFailsForAMissingSource) {
    TempFolder t;
    WriteFile(t / "src", "new contents");
    WriteFile(t / "dst", "old");
    EXPECT_EQ(IO::fileSystem.Copy(IO::Location(t / "src"), IO::Location(t / "dst")), 0);
    EXPECT_EQ(ReadFile(t / "dst"), "new contents");
    EXPECT_EQ(IO::fileSystem.Copy(IO::Location(t / "none"), IO::Location(t / "dst")), IO::ErrFileNotFound);
    EXPECT_EQ(ReadFile(t / "dst"), "new contents");
    EXPECT_EQ(IO::fileSystem.Delete(IO::Location(t / "dst")), 0);
    EXPECT_EQ(IO::fileSystem.Delete(IO::Location(t / "dst")), IO::ErrFileNotFound);
}
