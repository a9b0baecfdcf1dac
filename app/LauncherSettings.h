#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tasks/Failure.h"
#include "tasks/InstallerPins.h"

class CIniConfig;

// The launcher's settings: every key of the configuration compiled into the
// program, read and checked once at start-up. The window, the single
// instance, the screen reader and the launcher flow read them from here;
// nothing else reads the configuration. Absent keys give empty values.
struct LauncherSettings {
    // [pack]
    std::wstring gameName;        // k_name: the window's caption and the name on the screen
    std::wstring installAppName;  // k_installAppName: the game's install folder
    std::wstring startAppName;    // k_startAppName: the game's start program in that folder
    std::wstring installerKey;    // k_installerKey: the App Paths key, without ".exe"

    // [cver]
    std::wstring url;                   // k_comm_url: the installer's address
    std::vector<std::wstring> mirrors;  // k_comm_url2 to k_comm_url4, those set, in that order
    InstallerPins pins;                 // k_comm_sha256 (as its digest) and k_comm_signer
    std::wstring manifestUrl;           // k_comm_manifest: a signed manifest to fetch first
    std::vector<uint8_t> manifestKey;   // k_comm_manifest_key as its P-256 point, when a manifest is set
    std::wstring manifestChannel;       // k_comm_channel: the channel a manifest must name

    // A value that cannot be used: a click on the install button ends the
    // road with this failure and downloads nothing (the log says why, in
    // refusalReason). refused is false when every value can be used.
    bool refused = false;
    Failure refusal;
    std::wstring refusalReason;
};

// Reads every key of config into the settings and checks the values the
// road depends on. A pinned digest that is not one is the first refusal:
// nothing is downloaded that could not be checked; then a manifest whose
// key is not a P-256 public key: one that could not be checked is never
// skipped; then a manifest without a channel (or one with control
// characters): it could be any channel's.
LauncherSettings ReadLauncherSettings(const CIniConfig& config);
