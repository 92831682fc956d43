// Start-up endings of the real logger: help, INI discovery, INI errors and a
// missing port string, each with its exact console text and exit status.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/process.hpp"
#include "tests/support/temp_dir.hpp"

namespace {

const char kBanner[] =
    "Program Name: Brenmark.exe\r\n"
    "Program Vers: 1.0.5 (8 October  2013)\r\n"
    "Written by the Brenmark developers.\r\n"
    "Free software under the MIT License.\r\n"
    "No warranties of any kind either expressed or implied.\r\n"
    "Please read 'Brenmark.ini' for help.\r\n";

std::string NotFound(const std::string& tried) {
  return std::string(kBanner) +
         "\r\n*** FATAL ERROR ****: No INI file found.\r\n"
         "These filneames were tried:\r\n" +
         tried + "\r\n***ERROR*** exit, ExitCode: 53\r\n";
}

class BrenmarkStartup : public ::testing::Test {
 protected:
  RunResult Run(std::vector<std::string> args) {
    args.insert(args.begin(), BRENMARK_PATH);
    return RunProgram(args, {}, dir_.path());
  }
  TempDir dir_;
};

TEST_F(BrenmarkStartup, HelpShowsTheBannerAndEnds52) {
  dir_.Write("Brenmark.ini", "PORTSTR=/dev/null:9600\r\n");
  for (const char* help : {"?", "HELP", "/h", "-?", "my-hosts.ini"}) {
    RunResult r = Run({help});
    EXPECT_EQ(r.status, 52) << help;
    EXPECT_EQ(r.out, std::string(kBanner) + "\r\nNormal exit, ExitCode: 52\r\n") << help;
    EXPECT_EQ(r.err, "") << help;
  }
}

TEST_F(BrenmarkStartup, NoIniFileEnds53WithTheNamesTried) {
  RunResult r = Run({});
  EXPECT_EQ(r.status, 53);
  EXPECT_EQ(r.out, NotFound(std::string(BRENMARK_PATH) + ".ini\r\nBrenmark.ini\r\n"));

  std::filesystem::create_directory(dir_.Path("lab.ini"));  // not an ordinary file
  r = Run({"lab.ini", "ignored"});
  EXPECT_EQ(r.status, 53);
  EXPECT_EQ(r.out,
            NotFound("lab.ini\r\n" + std::string(BRENMARK_PATH) + ".ini\r\nBrenmark.ini\r\n"));
  EXPECT_EQ(r.err, "");
}

TEST_F(BrenmarkStartup, IniFileThatCannotBeOpenedEnds54) {
  // The pattern matches an ordinary file, but no file has this literal name.
  dir_.Write("Brenmark-lab.ini", "PORTSTR=/dev/null:9600\r\n");
  RunResult r = Run({"Brenmark*.ini"});
  EXPECT_EQ(r.status, 54);
  EXPECT_EQ(r.out,
            "*** FATAL ERROR ****: opening: Brenmark*.ini\r\n"
            "Error code returned was: 2\r\n"
            "***ERROR*** exit, ExitCode: 54\r\n");
}

TEST_F(BrenmarkStartup, MissingPortStringEnds57) {
  dir_.Write("Brenmark.ini", "; no port here\r\nSTDOUT=YES\r\nFILESTR=Therm0000.txt\r\n");
  RunResult r = Run({});
  EXPECT_EQ(r.status, 57);
  EXPECT_EQ(r.out,
            "*** FATAL ERROR ****: PortStr not found in Brenmark.ini\r\n"
            "***ERROR*** exit, ExitCode: 57\r\n");
  EXPECT_FALSE(FileExists(dir_.Path("Therm0000.txt")));
}

TEST_F(BrenmarkStartup, FindsTheIniFileBesideTheProgramsRealPath) {
  // Installed as a copy, started by a link found through PATH: the candidate
  // is the real file's path, not "thermlog.ini" in the current directory.
  namespace fs = std::filesystem;
  fs::create_directories(dir_.Path("opt/bin"));
  fs::create_directories(dir_.Path("links"));
  fs::copy_file(BRENMARK_PATH, dir_.Path("opt/bin/brenmark"));
  fs::create_symlink(dir_.Path("opt/bin/brenmark"), dir_.Path("links/thermlog"));
  dir_.Write("opt/bin/brenmark.ini", "EXITKEY=q\r\n");
  dir_.Write("Brenmark.ini", "PORTSTR=/dev/null:9600\r\n");
  RunResult r = RunProgram({"/bin/sh", "-c", "exec thermlog"}, {}, dir_.path(),
                           {"PATH=" + dir_.Path("links")});
  EXPECT_EQ(r.status, 57) << r.out << r.err;
  std::string real = fs::canonical(dir_.Path("opt/bin/brenmark")).string();
  EXPECT_EQ(r.out, "*** FATAL ERROR ****: PortStr not found in " + real +
                       ".ini\r\n***ERROR*** exit, ExitCode: 57\r\n");
}

TEST_F(BrenmarkStartup, StatusIsShownBeforeThePortIsOpened) {
  dir_.Write("Brenmark.ini",
             "PORTSTR=" + dir_.Path("no-such-port") + ":9600,N,8,1,CS0,DS0,CD0\r\n" +
                 "STDOUT=yes\r\nFILESTR=Therm0000.txt\r\nSWITCHHRS=1\r\nEXITKEY=CTLX\r\n");
  dir_.Write("Therm0000.txt", "");
  RunResult r = Run({});
  EXPECT_EQ(r.status, 58) << r.out;
  EXPECT_EQ(r.out.rfind("\r\n===Brenmark.exe Ver1.0.5 (8 October  2013) ===\r\n"
                        "Using INI file: \r\nBrenmark.ini\r\n",
                        0),
            0u)
      << r.out;
  EXPECT_NE(r.out.find("\r\nLogging data to: Therm0001.txt\r\n"), std::string::npos);
  EXPECT_NE(r.out.find("\r\nPress 'Ctrl' and  'X' to exit.\r\n"), std::string::npos);
  EXPECT_NE(r.out.find("***ERROR*** exit, ExitCode: 58\r\n"), std::string::npos);
}

}  // namespace
