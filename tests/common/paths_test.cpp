#include "common/paths.h"

#include <gtest/gtest.h>

#include <cstring>

#include "common/product_version.h"
#include "common/version_number.h"

namespace {

struct Case {
    const char* what;
    std::string got;
    std::string want;
};

TEST(Paths, NameParts) {
    const Case cases[] = {
        {"base of exe", FileBaseName("C:\\Program Files\\Vellumar\\setup.exe"), "setup"},
        {"last extension only", FileBaseName("a.tar.gz"), "a.tar"},
        {"only an extension", FileBaseName(".cfg"), ""},
        {"only an extension in a folder", FileBaseName("C:\\a\\.cfg"), ""},
        {"no extension", FileBaseName("C:\\x\\README"), "README"},
        {"dot in folder only", FileBaseName("C:\\x.d\\README"), "README"},
        {"after drive colon", FileBaseName("C:setup.exe"), "setup"},
        {"forward slash", FileBaseName("Z:/tmp/b.txt"), "b"},
        {"extension with dot", FileExtension("D:\\x\\SETUP.EXE"), ".EXE"},
        {"no extension", FileExtension("C:\\x.d\\README"), ""},
        {"folder keeps separator", FileFolder("C:\\x\\setup.exe"), "C:\\x\\"},
        {"bare name has no folder", FileFolder("setup.exe"), ""},
        {"folder name", FileFolderName("C:\\Exact Audio Copy\\EAC.exe"), "Exact Audio Copy"},
        {"folder name after a slash", FileFolderName("Z:/tmp/b.txt"), "tmp"},
        {"bare name has no folder name", FileFolderName("EAC.exe"), ""},
        {"drive root has no folder name", FileFolderName("C:\\EAC.exe"), ""},
        {"folder name of a drive-relative name", FileFolderName("C:EAC.exe"), "C"},
        {"trailing separator added once", WithTrailingSeparator("C:\\x\\"), "C:\\x\\"},
        {"trailing separator added", WithTrailingSeparator("C:\\x"), "C:\\x\\"},
        {"trailing separators removed", WithoutTrailingSeparator("C:\\x\\\\"), "C:\\x"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got, c.want) << c.what;
}

TEST(Paths, DriveRoots) {
    EXPECT_EQ(DriveRootLetter("C:"), 'C');
    EXPECT_EQ(DriveRootLetter("c:\\"), 'c');
    EXPECT_EQ(DriveRootLetter("C:/"), 'C');
    EXPECT_EQ(DriveRootLetter("C:\\x"), std::nullopt);
    EXPECT_EQ(DriveRootLetter("1:"), std::nullopt);
    EXPECT_EQ(DriveRootLetter("\\\\server\\share"), std::nullopt);
}

TEST(Paths, LongPathForm) {
    const Case cases[] = {
        {"network path", LongPathForm("\\\\server\\share\\dir"), "\\\\?\\UNC\\server\\share\\dir"},
        {"drive path", LongPathForm("C:\\Users\\x"), "\\\\?\\C:\\Users\\x"},
        {"slashes turned", LongPathForm("Z:/work/x"), "\\\\?\\Z:\\work\\x"},
        {"already prefixed", LongPathForm("\\\\?\\C:\\x"), "\\\\?\\C:\\x"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got, c.want) << c.what;
}

TEST(Paths, VirtualStoreMirror) {
    EXPECT_EQ(VirtualStoreMirror("C:\\Users\\u\\AppData\\Local", "C:\\Program Files\\Vellumar\\"),
              "C:\\Users\\u\\AppData\\Local\\VirtualStore\\Program Files\\Vellumar\\");
    EXPECT_EQ(VirtualStoreMirror("", "C:\\Program Files\\Vellumar\\"), std::nullopt);
    EXPECT_EQ(VirtualStoreMirror("C:\\L", "C:\\"), std::nullopt);
}

TEST(ProductVersion, OneSourceOfTruth) {
    // The generated numbers and text must tell the same version.
    EXPECT_EQ(std::string(VELLUMAR_VERSION_STRING),
              std::to_string(VELLUMAR_VERSION_MAJOR) + "." + std::to_string(VELLUMAR_VERSION_MINOR) + "." +
                  std::to_string(VELLUMAR_VERSION_RELEASE) + "." + std::to_string(VELLUMAR_VERSION_BUILD));
    EXPECT_EQ(std::strncmp(VELLUMAR_FILE_DESCRIPTION, VELLUMAR_PRODUCT_NAME, std::strlen(VELLUMAR_PRODUCT_NAME)), 0);
}

}  // namespace
