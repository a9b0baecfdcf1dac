#include "app/LauncherSettings.h"

#include "config/CIniConfig.h"
#include "platform/AsciiText.h"
#include "tasks/Manifest.h"

namespace {

// A manifest that cannot be checked: no key, or no P-256 public key.
constexpr uint32_t kUncheckableManifest = 1;
// A manifest that cannot be this launcher's: no channel configured.
constexpr uint32_t kNoChannel = static_cast<uint32_t>(ManifestFault::OtherChannel);

}  // namespace

LauncherSettings ReadLauncherSettings(const CIniConfig& config)
{
    LauncherSettings settings;
    settings.gameName = config.GetValue(L"pack", L"k_name");
    settings.installAppName = config.GetValue(L"pack", L"k_installAppName");
    settings.startAppName = config.GetValue(L"pack", L"k_startAppName");
    settings.installerKey = config.GetValue(L"pack", L"k_installerKey");

    settings.url = config.GetValue(L"cver", L"k_comm_url");
    for (const wchar_t* key : {L"k_comm_url2", L"k_comm_url3", L"k_comm_url4"}) {
        std::wstring mirror = config.GetValue(L"cver", key);
        if (!mirror.empty())
            settings.mirrors.push_back(std::move(mirror));
    }
    settings.pins.signer = config.GetValue(L"cver", L"k_comm_signer");
    settings.manifestUrl = config.GetValue(L"cver", L"k_comm_manifest");
    settings.manifestChannel = config.GetValue(L"cver", L"k_comm_channel");

    const std::wstring sha256 = config.GetValue(L"cver", L"k_comm_sha256");
    if (!sha256.empty() && !ParseSha256Pin(sha256, settings.pins.sha256)) {
        settings.pins.sha256.clear();
        settings.refused = true;
        settings.refusal = Failure{FailureKind::InvalidPin};
        settings.refusalReason = L"k_comm_sha256 is not 64 hexadecimal digits; nothing downloaded";
    } else if (!settings.manifestUrl.empty() &&
               !ParseP256PublicKey(config.GetValue(L"cver", L"k_comm_manifest_key"), settings.manifestKey)) {
        settings.manifestKey.clear();
        settings.refused = true;
        settings.refusal = Failure{FailureKind::ManifestInvalid, kUncheckableManifest};
        settings.refusalReason = L"k_comm_manifest_key is not a P-256 public key; nothing downloaded";
    } else if (!settings.manifestUrl.empty() &&
               (settings.manifestChannel.empty() || HasControlCharacter(settings.manifestChannel))) {
        settings.refused = true;
        settings.refusal = Failure{FailureKind::ManifestInvalid, kNoChannel};
        settings.refusalReason = L"k_comm_channel is missing or holds control characters; nothing downloaded";
    }
    return settings;
}
