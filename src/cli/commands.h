// The subcommands of the `veltor` command-line tool.
#pragma once

namespace veltor::cli {

// Exit statuses shared by every subcommand.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1; // at least one input failed
constexpr int kExitUsage = 2;   // bad command line

int runDump(int argc, char** argv);
int runInfo(int argc, char** argv);
int runSeries(int argc, char** argv);
int runAnonymize(int argc, char** argv);
int runConvert(int argc, char** argv);
int runExtract(int argc, char** argv);
int runSearch(int argc, char** argv);
int runVideo(int argc, char** argv);

} // namespace veltor::cli
