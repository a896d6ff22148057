// Which program the property page starts for the Activator, and the text of a failed start.

#include "pager/ProgramPath.h"

#include <gtest/gtest.h>

TEST(ProgramPath, TellsFullPathsFromNamesThatNeedACurrentDirectory) {
    for (const char* full :
         {"C:\\Program Files\\Zelto\\Zelto.exe", "d:/tools/Zelto.exe", "\\\\server\\share\\Zelto.exe"})
        EXPECT_TRUE(IsFullPath(full)) << full;
    for (const char* relative : {"", "Zelto.exe", "bin\\Zelto.exe", ".\\Zelto.exe", "C:Zelto.exe",
                                 "\\Zelto.exe", "\\\\\\Zelto.exe", "1:\\Zelto.exe", "C:"})
        EXPECT_FALSE(IsFullPath(relative)) << relative;
}

TEST(ProgramPath, StartsOnlyTheActivatorBesideTheExtension) {
    EXPECT_EQ(ActivatorBesideModule("C:\\Program Files\\Zelto Activator\\ZeltoPager.dll"),
              "C:\\Program Files\\Zelto Activator\\Zelto.exe");
    EXPECT_EQ(ActivatorBesideModule("Z:/build/bin/ZeltoPager.dll"), "Z:/build/bin/Zelto.exe");
    EXPECT_EQ(ActivatorBesideModule("\\\\server\\share\\ZeltoPager.dll"), "\\\\server\\share\\Zelto.exe");
    // Without a known module, nothing rather than a bare name.
    EXPECT_EQ(ActivatorBesideModule(""), "");
    EXPECT_EQ(ActivatorBesideModule("ZeltoPager.dll"), "");
}

TEST(ProgramPath, NamesTheResultAndTheProgramOfAFailedStart) {
    EXPECT_EQ(StartErrorText(2, "C:\\x\\Zelto.exe"), "ShellExecute Error!(2)\nCan't Run C:\\x\\Zelto.exe!");
    EXPECT_EQ(StartErrorText(0, ""), "ShellExecute Error!(0)\nCan't Run !");
}
