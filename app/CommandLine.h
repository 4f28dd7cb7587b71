#pragma once

#include <QStringList>

#include <string>

#include "modem/BitDetector.h"

// What the command line asks of a program run.
struct TCommandLine {
    // The settings file given with --config; empty: the usual choice.
    std::string ConfigFile;
    // How the receiver takes bits from the input (--receiver).
    TDetectorKind Receiver = TDetectorKind::Soft;
    // --headless: the station without a window (app/HeadlessStation.h).
    bool Headless = false;
    // --send TEXT: hand the text to the Parlet running on the settings file.
    bool Send = false;
    std::string SendText;
};

// The outcome of reading the command line: either run with the options, or
// end at once with a status after printing the given texts (--help and
// --version on stdout, status 0; a wrong option, argument or receiver name:
// "parlet: <what is wrong>" and the usage on stderr, status 2). Every text is
// in the user's language.
struct TCommandLineResult {
    bool Run = true;
    int ExitStatus = 0;
    std::string Output; // for stdout
    std::string Error; // for stderr
    TCommandLine Options;
};

// Reads the arguments, the program's name first. Needs no application
// object, so that --help works without a display.
TCommandLineResult ReadCommandLine(const QStringList& arguments);
