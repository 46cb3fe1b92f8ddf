// The INI binding: values survive a round trip through a real file.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "settings/qt/qsettings_store.h"
#include "settings/user_options.h"

using namespace veltor;

TEST(QSettingsStore, RoundTripThroughAnIniFile) {
    const std::string path = ::testing::TempDir() + "veltor_settings_test.ini";
    std::remove(path.c_str());
    {
        QSettingsStore store(path);
        store.writeInt("UserOptions", "LineWidth", 4);
        store.writeText("Settings", "Current Working Directory", "/data/ct, series 1/");
        UserOptions o;
        o.setRulersOn(true);
        o.save(store);
        store.sync();
    }
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("Veltor%20Dicom%20Viewer"), std::string::npos) << text.str();

    QSettingsStore again(path);
    EXPECT_EQ(again.readText("Settings", "Current Working Directory", ""), "/data/ct, series 1/");
    EXPECT_EQ(again.readInt("Nothing", "Here", 7), 7);
    // text under an integer key reads as the default
    EXPECT_EQ(again.readInt("UserOptions", "AnnoCharSet", 161), 161);
    EXPECT_EQ(again.readText("UserOptions", "AnnoCharSet", ""), "Arial");
    UserOptions o;
    o.load(again);
    EXPECT_TRUE(o.rulersOn());
    EXPECT_EQ(o.annotationFont().charSet, 161);
    std::remove(path.c_str());
}

TEST(QSettingsStore, EnvironmentNamesTheFile) {
    const std::string path = ::testing::TempDir() + "veltor_settings_env.ini";
    std::remove(path.c_str());
    setenv("VELTOR_SETTINGS", path.c_str(), 1);
    {
        QSettingsStore store;
        EXPECT_EQ(store.fileName(), path);
        store.writeInt("Settings", "PreviewPages", 2);
    }
    unsetenv("VELTOR_SETTINGS");
    QSettingsStore again(path);
    EXPECT_EQ(again.readInt("Settings", "PreviewPages", 0), 2);
    std::remove(path.c_str());
}

#include "settings/ini_file_store.h"

// The command line reads the file the desktop application writes.
TEST(IniFileSettingsStore, ReadsWhatQSettingsWrote) {
    const std::string path = ::testing::TempDir() + "veltor_settings_shared.ini";
    std::remove(path.c_str());
    {
        QSettingsStore store(path);
        store.writeInt("Anonymizing Options", "PatientsName", 0);
        store.writeInt("Settings", "Export Jpeg Quality", -5);
        store.writeText("Settings", "Current Working Directory", "/data/a b, c/");
        store.writeText("Recent URL List", "URL1", "http://x/y?a=1;b=\"2\"");
        store.writeText("Odd", "Key=With[Chars]", "v\\al\nue");
        store.writeText("UserOptions", "AnnoCharSet", "Tahoma");
        store.writeText("UserInfo", "Company", "Klinik M\xC3\xBCnchen");
        store.sync();
    }
    IniFileSettingsStore ini(path);
    EXPECT_EQ(ini.readInt("Anonymizing Options", "PatientsName", 1), 0);
    EXPECT_EQ(ini.readInt("Anonymizing Options", "PatientsSex", 1), 1);
    EXPECT_EQ(ini.readInt("Settings", "Export Jpeg Quality", 75), -5);
    EXPECT_EQ(ini.readText("Settings", "Current Working Directory", ""), "/data/a b, c/");
    EXPECT_EQ(ini.readText("Recent URL List", "URL1", ""), "http://x/y?a=1;b=\"2\"");
    EXPECT_EQ(ini.readText("Odd", "Key=With[Chars]", ""), "v\\al\nue");
    EXPECT_EQ(ini.readInt("UserOptions", "AnnoCharSet", 161), 161);
    EXPECT_EQ(ini.readText("UserOptions", "AnnoCharSet", ""), "Tahoma");
    EXPECT_EQ(ini.readText("UserInfo", "Company", ""), "Klinik M\xC3\xBCnchen");
    std::remove(path.c_str());

    IniFileSettingsStore missing(path);
    EXPECT_EQ(missing.readInt("Settings", "PreviewPages", 3), 3);
}

TEST(QSettingsStore, ADamagedFileReadsAsDefaultsAndIsRewrittenClean) {
    const std::string path = ::testing::TempDir() + "veltor_settings_damaged.ini";
    {
        std::ofstream out(path, std::ios::binary);
        out << "[Veltor%20Dicom%20Viewer]\n"
               "UserOptions\\LineWidth=3\n"
               "UserOptions\\DAnnoColor=0xFF00\n"    // not a decimal number
               "UserOptions\\AxisStart=-4\n"         // out of range
               "UserOptions\\DocBgColor=99999999999\n" // beyond 32 bits
               "UserOptions\\AnnoHeight=\"12pt\"\n"
               "garbage \x01\xff\xfe [[[ no key\n"
               "[unterminated\n"
               "Foreign\\Value=kept\n";
    }
    UserOptions o;
    {
        QSettingsStore store(path);
        o.load(store);
        EXPECT_EQ(o.lineWidth(), 3);
        EXPECT_EQ(o.annotationColor(), rgbColour(0, 255, 0));
        EXPECT_EQ(o.axisStart(), AxisCorner::LowerLeft);
        EXPECT_EQ(o.docBgColor(), rgbColour(0, 70, 100));
        EXPECT_EQ(o.annotationFont().height, 12);
        o.save(store);
        store.sync();
    }
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str().find("garbage"), std::string::npos) << text.str();
    EXPECT_EQ(text.str().find("0xFF00"), std::string::npos) << text.str();
    QSettingsStore again(path);
    UserOptions reread;
    reread.load(again);
    EXPECT_EQ(reread.lineWidth(), 3);
    EXPECT_EQ(reread.annotationColor(), rgbColour(0, 255, 0));
    std::remove(path.c_str());
}
