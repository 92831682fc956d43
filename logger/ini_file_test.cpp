#include <filesystem>
#include <string>
#include <vector>

#include "logger/config_test_fixture.hpp"
#include "logger/exit_codes.hpp"

namespace {

using config_test::ConfigTestInTempDir;

const char kBanner[] =
    "Program Name: Brenmark.exe\r\n"
    "Program Vers: 1.0.5 (8 October  2013)\r\n"
    "Written by the Brenmark developers.\r\n"
    "Free software under the MIT License.\r\n"
    "No warranties of any kind either expressed or implied.\r\n"
    "Please read 'Brenmark.ini' for help.\r\n";

class IniFileTest : public ConfigTestInTempDir {
 protected:
  void Run(const std::vector<std::string>& argv) {
    std::vector<const char*> raw;
    for (const std::string& a : argv) raw.push_back(a.c_str());
    SetCommandLine(static_cast<int>(raw.size()), raw.data());
  }
  std::string NotFoundText(const std::vector<std::string>& tried) const {
    std::string text = std::string(kBanner) + "\r\n*** FATAL ERROR ****: No INI file found.\r\n" +
                       "These filneames were tried:\r\n";
    for (const std::string& name : tried) text += name + "\r\n";
    return text + "\r\n***ERROR*** exit, ExitCode: 53\r\n";
  }
};

TEST_F(IniFileTest, HelpRequests) {
  struct HelpCase {
    std::vector<std::string> args;
    bool help;
  };
  const HelpCase cases[] = {
      {{"?"}, true},
      {{"help"}, true},
      {{"HeLp"}, true},
      {{"  help  "}, true},
      {{"/h"}, true},
      {{"-H"}, true},
      {{"/?"}, true},
      {{"-?"}, true},
      {{"--help"}, true},
      {{"/HELP"}, true},
      {{"my-hosts.ini"}, true},  // "-h" inside a word
      {{"lab.ini", "/x", "-help"}, true},
      {{"a", "?"}, false},  // "?" alone only when it is the whole text
      {{"helpme.ini"}, false},
      {{"??"}, false},
      {{"/x/y.ini"}, false},
      {{""}, false},
      {{}, false},
  };
  for (const HelpCase& c : cases) {
    std::vector<std::string> argv{"/opt/brenmark/brenmark"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    Run(argv);
    console_.out.clear();
    Settings.ExitCode = 0;
    int8_t result = GETINIFILENAME(Settings.BannerStr, "Brenmark.ini");
    std::string shown = c.args.empty() ? "(none)" : c.args[0];
    if (c.help) {
      EXPECT_EQ(result, 52) << shown;
      EXPECT_EQ(Settings.ExitCode, 52) << shown;
      EXPECT_EQ(Printed(), std::string(kBanner) + "\r\nNormal exit, ExitCode: 52\r\n") << shown;
    } else {
      EXPECT_EQ(result, 53) << shown;
    }
  }
}

TEST_F(IniFileTest, NothingFoundWithoutArgumentListsTwoNames) {
  Run({"/opt/brenmark/brenmark"});
  EXPECT_EQ(GETINIFILENAME(Settings.BannerStr, "Brenmark.ini"), 53);
  EXPECT_EQ(Settings.ExitCode, 53);
  EXPECT_EQ(Printed(), NotFoundText({"/opt/brenmark/brenmark.ini", "Brenmark.ini"}));
}

TEST_F(IniFileTest, NothingFoundWithArgumentListsThreeNames) {
  Run({"  C:\\Tools\\LOGGER.EXE ", "  lab.ini  ", "more"});
  EXPECT_EQ(GETINIFILENAME(Settings.BannerStr, "Brenmark.ini"), 53);
  EXPECT_EQ(Printed(), NotFoundText({"lab.ini", "C:\\Tools\\LOGGER.ini", "Brenmark.ini"}));
}

TEST_F(IniFileTest, NameBesideTheProgram) {
  const std::pair<std::string, std::string> cases[] = {
      {"brenmark", "brenmark.ini"},
      {"./brenmark", "./brenmark.ini"},
      {"LOGGER.EXE", "LOGGER.ini"},
      {"logger.Exe", "logger.ini"},
      {"brenmark.exe.bak", "brenmark.exe.bak.ini"},
      {"exe", "exe.ini"},
      {".exe", ".ini"},
  };
  for (const auto& [program, candidate] : cases) {
    Run({program});
    console_.out.clear();
    GETINIFILENAME(Settings.BannerStr, "Brenmark.ini");
    EXPECT_NE(Printed().find("tried:\r\n" + candidate + "\r\nBrenmark.ini\r\n"), std::string::npos)
        << program;
  }
}

TEST_F(IniFileTest, FirstCandidateThatIsAnOrdinaryFileWins) {
  dir_.Write("Brenmark.ini", "");
  dir_.Write("brenmark.ini", "");
  dir_.Write("lab.ini", "");
  std::filesystem::create_directory(dir_.Path("folder.ini"));

  struct FoundCase {
    std::vector<std::string> argv;
    std::string found;
  };
  const FoundCase cases[] = {
      {{"./brenmark", "lab.ini"}, "lab.ini"},
      {{"./brenmark", "  lab.ini "}, "lab.ini"},
      {{"./brenmark", "lab*.ini"}, "lab*.ini"},  // stored as written, not as matched
      {{"./brenmark", "missing.ini"}, "./brenmark.ini"},
      {{"./brenmark", "folder.ini"}, "./brenmark.ini"},
      {{"./brenmark"}, "./brenmark.ini"},
      {{"./other"}, "Brenmark.ini"},
      {{"./other", "folder.ini"}, "Brenmark.ini"},
  };
  for (const FoundCase& c : cases) {
    Run(c.argv);
    Settings.IniFileName.clear();
    EXPECT_EQ(GETINIFILENAME(Settings.BannerStr, "Brenmark.ini"), 0) << c.found;
    EXPECT_EQ(Settings.IniFileName, c.found);
  }
  EXPECT_EQ(Printed(), "");
  EXPECT_EQ(Settings.ExitCode, 0);
}

TEST_F(IniFileTest, ReadsEveryKeyLastLineWins) {
  dir_.Write("Brenmark.ini",
             "; lab thermometer\r\n"
             "[Port]\r\n"
             "portstr = COM2:1200 ; first\r\n"
             "PORTSTR=/dev/ttyUSB1:9600,N,8,1,CS0,DS0,CD0\r\n"
             "ApndTime=yes\r\n"
             "APNDTIME=no\r\n"
             "STDOUT=1\r\n"
             "FILESTR=Therm0000.txt\r\n"
             "SWITCHHRS=-3.5\r\n"
             "DELIMITER=COMMA\r\n"
             "EOL=1\r\n"
             "EXITKEY=65\r\n"
             "USERSTR1=\"A\"\r\n"
             "USERSTR2=B\r\n"
             "USERSTR3=C\r\n"
             "USERSTR4=?S\n"
             "USERSTR5=E5\r\n"
             "UNKNOWN=1\r\n"
             "USERSTR4=\r\n"
             "garbage line\r\n"
             "DELIMITER=;\r\n"
             "EXITKEY=q");
  Run({"brenmark"});
  ASSERT_EQ(READINIFILE(), 0) << Printed();
  const SettingsRecord& s = Settings;
  EXPECT_EQ(s.IniFileName, "Brenmark.ini");
  EXPECT_EQ(s.PortStr, "/dev/ttyUSB1:9600,N,8,1,CS0,DS0,CD0");
  EXPECT_EQ(s.ApndTime, 1);
  EXPECT_EQ(s.StdOut, 0);
  EXPECT_EQ(s.FileStr, "Therm0000.txt");
  EXPECT_EQ(s.LogToFile, 1);
  EXPECT_EQ(s.SwitchHrs, 4);
  EXPECT_EQ(s.Delimiter, ", ");
  EXPECT_EQ(s.EolStr, "\n");
  EXPECT_EQ(s.ExitKey, 0);
  EXPECT_EQ(s.UserStr1, "\"A\"");
  EXPECT_EQ(s.UserStr2, "B");
  EXPECT_EQ(s.UserStr3, "C");
  EXPECT_EQ(s.UserStr4, "?S");
  EXPECT_EQ(s.UserStr5, "E5");
  EXPECT_EQ(s.ExitCode, 0);
  EXPECT_EQ(Printed(), "");
  EXPECT_EQ(ChannelAt(kIniFileNumber), nullptr) << "the INI file is closed again";
}

TEST_F(IniFileTest, LongLinesAreRead) {
  std::string port = "/dev/" + std::string(300, 'p') + ":9600,N,8,1";
  dir_.Write("Brenmark.ini", "PORTSTR = " + port + "   ; " + std::string(200, 'c') + "\n");
  Run({"brenmark"});
  ASSERT_EQ(READINIFILE(), 0);
  EXPECT_EQ(Settings.PortStr, port);
}

TEST_F(IniFileTest, EveryLineEndSeparatesLines) {
  // LF, CR LF and a lone CR, mixed in one file.
  dir_.Write("Brenmark.ini", "PORTSTR=COM2:9600\rAPNDTIME=YES\r\nUSERSTR4=?S\nUSERSTR5=T1\rEOL=1");
  Run({"brenmark"});
  ASSERT_EQ(READINIFILE(), 0);
  EXPECT_EQ(Settings.PortStr, "COM2:9600");
  EXPECT_EQ(Settings.ApndTime, 1);
  EXPECT_EQ(Settings.UserStr4, "?S");
  EXPECT_EQ(Settings.UserStr5, "T1");
  EXPECT_EQ(Settings.EolStr, "\n");
}

TEST_F(IniFileTest, EmptyAndCommentOnlyFilesSetNothing) {
  for (const char* content : {"", "; nothing here\r\n;PORTSTR=COM1:\r\n\r\n"}) {
    dir_.Write("Brenmark.ini", content);
    INITALIZEGLOBALS();
    Run({"brenmark"});
    EXPECT_EQ(READINIFILE(), 0);
    EXPECT_EQ(Settings.PortStr, "");
    EXPECT_EQ(Settings.LogToFile, 0);
    EXPECT_EQ(Printed(), "");
  }
}

TEST_F(IniFileTest, AnExistingFileNamedFirstIsNoHelpRequest) {
  dir_.Write("my-hosts.ini", "PORTSTR=COM1:\r\n");
  const std::string path = dir_.path() + "/my-hosts.ini";
  const struct {
    std::vector<std::string> args;
    int8_t result;
  } cases[] = {
      {{path}, 0},
      {{"my-hosts.ini"}, 0},
      {{"my-hosts.ini", "-h"}, 52},
      {{"my-hostz.ini"}, 52},
  };
  for (const auto& c : cases) {
    std::vector<std::string> argv{"brenmark"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    Run(argv);
    Settings.ExitCode = 0;
    EXPECT_EQ(GETINIFILENAME(Settings.BannerStr, "Brenmark.ini"), c.result) << c.args.back();
  }
}

TEST_F(IniFileTest, HelpAndMissingFileEndTheRead) {
  Run({"brenmark", "-h"});
  EXPECT_EQ(READINIFILE(), 52);
  EXPECT_EQ(Settings.ExitCode, 52);
  INITALIZEGLOBALS();
  Run({"brenmark"});
  EXPECT_EQ(READINIFILE(), 53);
  EXPECT_EQ(Settings.ExitCode, 53);
}

TEST_F(IniFileTest, NameThatMatchesButCannotBeOpened) {
  dir_.Write("Brenmark-lab.ini", "PORTSTR=COM1:\r\n");
  Run({"brenmark", "Brenmark*.ini"});
  EXPECT_EQ(READINIFILE(), 54);
  EXPECT_EQ(Settings.ExitCode, 54);
  EXPECT_EQ(Settings.PortStr, "");
  EXPECT_EQ(Printed(),
            "*** FATAL ERROR ****: opening: Brenmark*.ini\r\n"
            "Error code returned was: 2\r\n"
            "***ERROR*** exit, ExitCode: 54\r\n");
}

TEST_F(IniFileTest, TheSampleFileIsAValidSettingsFile) {
  // By a name of its own: a checkout path holding "/h" would ask for help.
  dir_.Write("sample.ini", ReadWholeFile(SAMPLE_INI_PATH));
  Run({"brenmark", "sample.ini"});
  ASSERT_EQ(READINIFILE(), 0) << Printed();
  const SettingsRecord& s = Settings;
  EXPECT_EQ(s.PortStr, "/dev/ttyUSB0:9600,N,8,1,CS0,DS0,CD0");
  EXPECT_EQ(s.ApndTime, 1);
  EXPECT_EQ(s.StdOut, 1);
  EXPECT_EQ(s.FileStr, "Therm0000.txt");
  EXPECT_EQ(s.LogToFile, 1);
  EXPECT_EQ(s.SwitchHrs, 0);
  EXPECT_EQ(s.Delimiter, "\t");
  EXPECT_EQ(s.EolStr, "\r\n");
  EXPECT_EQ(s.ExitKey, 27);
  EXPECT_EQ(s.UserStr1, "Z1");
  EXPECT_EQ(s.UserStr2, "Z2");
  EXPECT_EQ(s.UserStr3, "ZD");
  EXPECT_EQ(s.UserStr4, "");
  EXPECT_EQ(s.UserStr5, "");
}

}  // namespace
