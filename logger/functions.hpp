#pragma once
// The logger's routines. Each works on the settings record and returns a
// small status: 0 to go on, else the exit code it stored in ExitCode.
#include <cstdint>
#include <string>

int8_t INITALIZEGLOBALS();
int8_t GETINIFILENAME(const std::string& banner, const std::string& defaultName);
bool CLEANINISTR(std::string& line, std::string& key, std::string& value);
int8_t READINIFILE();
std::string BUILDFILESTR();
int8_t BUILDSTATUSSTR();
int8_t EVALGLOBALS();
int8_t OPENCOMMUNICATIONS();
int8_t COMMUNICATIONS();
int8_t PROCESSDATA(std::string& line);
int8_t CHECKTIME();
int8_t CLOSECOMMUNICATIONS();
