// The first line of a run: the program's name and version read from a
// version resource as the resource compiler lays it out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "log/CFileLog.h"
#include "log/ProgramStart.h"
#include "log/VersionResource.h"
#include "platform/SystemInfo.h"
#include "tests/fakes/FakeConfigPlatform.h"
#include "tests/fakes/FakeLog.h"

namespace {

// Bytes of a VS_VERSIONINFO block: each entry a length, a value length, a
// type, a zero-terminated UTF-16 key and its value, each part on a 4-byte
// boundary. The lengths are not read by the program and stay 0 here.
class VersionBlob {
public:
    void Word(uint16_t w)
    {
        bytes.push_back(static_cast<uint8_t>(w));
        bytes.push_back(static_cast<uint8_t>(w >> 8));
    }
    void Dword(uint32_t d)
    {
        Word(static_cast<uint16_t>(d));
        Word(static_cast<uint16_t>(d >> 16));
    }
    void Text(const std::wstring& text)
    {
        for (wchar_t c : text)
            Word(static_cast<uint16_t>(c));
        Word(0);
    }
    void Align()
    {
        while (bytes.size() % 4 != 0)
            bytes.push_back(0);
    }
    void Header(const std::wstring& key, uint16_t type)
    {
        Align();
        Word(0);
        Word(0);
        Word(type);
        Text(key);
        Align();
    }
    void String(const std::wstring& key, const std::wstring& value)
    {
        Header(key, 1);
        Text(value);
    }

    std::vector<uint8_t> bytes;
};

std::vector<uint8_t> VersionResource(uint32_t high, uint32_t low, const std::wstring& productName)
{
    VersionBlob blob;
    blob.Header(L"VS_VERSION_INFO", 0);
    for (uint32_t d : {0xFEEF04BDu, 0x10000u, high, low, high, low, 0x3Fu, 0u, 4u, 1u, 0u, 0u, 0u})
        blob.Dword(d);
    blob.Header(L"StringFileInfo", 1);
    blob.Header(L"080404b0", 1);
    blob.String(L"CompanyName", L"Northwind Games");
    blob.String(L"FileDescription", L"ProductName of another game");
    if (!productName.empty())
        blob.String(L"ProductName", productName);
    blob.String(L"ProductVersion", L"2.3");
    return blob.bytes;
}

TEST(VersionResource, FixedVersionAndProductName)
{
    ProgramVersion version;
    ASSERT_TRUE(ReadVersionResource(VersionResource(0x00020003, 0x0000000B, L"奥凡蒂斯"), version));
    EXPECT_EQ(version.fileVersion, L"2.3.0.11");
    EXPECT_EQ(version.productName, L"奥凡蒂斯");

    ASSERT_TRUE(ReadVersionResource(VersionResource(0xFFFF0001, 0x00020003, L""), version));
    EXPECT_EQ(version.fileVersion, L"65535.1.2.3");
    EXPECT_EQ(version.productName, L"");
}

TEST(VersionResource, BytesWithoutFixedInformationAreRefused)
{
    std::vector<uint8_t> bytes = VersionResource(0x00010000, 0x00000001, L"quillmerex");
    ProgramVersion version;
    EXPECT_FALSE(ReadVersionResource(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 48), version));
    EXPECT_FALSE(ReadVersionResource(std::vector<uint8_t>(), version));
    EXPECT_FALSE(ReadVersionResource(std::vector<uint8_t>(200, 0xFF), version));
}

class FixedSystem : public ISystemInfo {
public:
    std::wstring WindowsVersion() override { return L"Windows 10.0.19045"; }
};

TEST(ProgramStart, NamesTheProgramItsVersionAndTheSystem)
{
    FakeLocalClock clock;
    FakeLogFiles files;
    CFileLog log(clock, files);
    ASSERT_TRUE(log.Open(L"T:"));
    FakeResources resources;
    FixedSystem system;

    const std::vector<uint8_t> bytes = VersionResource(0x00010000, 0x00000001, L"quillmerex");
    resources.resources[{kVersionResourceType, kVersionResourceId}] = bytes;
    LogProgramStart(log, resources, system);
    resources.resources.clear();
    LogProgramStart(log, resources, system);

    EXPECT_EQ(files.Lines(L"T:\\quillmerex.log"),
              (std::vector<std::string>{
                  "2024-03-05 07:08:09.010 start: quillmerex 1.0.0.1 on Windows 10.0.19045",
                  "2024-03-05 07:08:09.011 start: (no version resource) on Windows 10.0.19045"}));
}

}  // namespace
