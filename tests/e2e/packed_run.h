#pragma once
// Installers packed by the tests, run silently under Wine with the sample wizard's record, and
// what they left.
#include "host_run.h"
#include "wine_harness.h"

#include <string>

struct InstallerRun {
    WineRun run;
    std::string log;
    std::string temp;   // the run's temporary folder
    std::string record; // written by the wizard when it is started
};

// Signs in with the build's development certificate.
HostRun Sign(const std::string& in, const std::string& out, const std::string& scratch);

// Runs exe with its log, temporary folder and wizard record under dir; more: further
// arguments ("/keep" keeps the working folder).
InstallerRun RunPacked(const std::string& dir, const std::string& exe, const std::string& more);

// The one working folder a kept run left holds exactly the product's files, byte for byte,
// each logged as extracted.
void ExpectUnpacked(const InstallerRun& r, const std::string& product);
