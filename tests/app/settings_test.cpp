// The settings and patient files through the real profile functions: defaults,
// the round trip, the order and format of what is written, and bad input.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "pagekit/profile.h"
#include "app/settings.h"
#include "tests/app/gui_support.h"

namespace {

class SettingsFiles : public ::testing::Test {
protected:
    void SetUp() override { ResetCondFolder(true); }
    void TearDown() override { ResetCondFolder(false); }
    std::string ini = SettingsPath();
    std::string inf = PatientPath();
};

// Position of `key=` in a file's text, or npos.
size_t KeyAt(const std::string& text, const std::string& key) {
    size_t at = text.find("\n" + key + "=");
    return at == std::string::npos ? text.find(key + "=") : at;
}

TEST_F(SettingsFiles, MissingFilesGiveTheDefaults) {
    ResetCondFolder(false);
    AppSettings settings = {};
    PatientInfo patient = {};
    LoadFrameSettings(settings, ini.c_str());
    LoadFileSettings(settings, ini.c_str());
    LoadPatientSettings(patient, inf.c_str());
    EXPECT_EQ(16, settings.MaxCh);
    EXPECT_EQ(1, settings.FrameTime);
    EXPECT_EQ(0, settings.TCType);
    EXPECT_EQ(1, settings.SaveEnable);
    EXPECT_STREQ("", settings.OrgFile);
    EXPECT_EQ(1600, patient.height);
    EXPECT_EQ(60000, patient.weight);
    EXPECT_EQ(25, patient.ageYears);
    EXPECT_EQ(1950, patient.birthYear);
    EXPECT_EQ(1, patient.birthMonth);
    EXPECT_STREQ("000-0001", patient.id);
    EXPECT_STREQ("新規", patient.name);
    EXPECT_STREQ("かな", patient.kana);
    EXPECT_STREQ("0", patient.sex);
    EXPECT_STREQ("Sleep Center", patient.hospital);
    // Without the folder the writes are dropped silently.
    SaveSystemSettings(settings, ini.c_str());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(ini.c_str()));
}

TEST_F(SettingsFiles, SystemAndPatientKeysRoundTripInTheirOrder) {
    AppSettings settings = {};
    settings.MaxCh = 24;
    settings.FrameTime = 5;
    settings.TCType = 1;
    settings.CalType = 1;
    settings.SaveEnable = 1;
    strcpy(settings.OrgFile, "C:\\REC\\NIGHT1.HDR");
    strcpy(settings.CopyFile, "D:\\OUT\\OLD.DAT");
    SaveSystemSettings(settings, ini.c_str());

    PatientInfo patient = {};
    patient.height = 1705;
    patient.weight = 65000;
    patient.ageYears = 45;
    patient.ageMonths = 3;
    patient.birthYear = 1965;
    patient.birthMonth = 3;
    patient.birthDay = 7;
    strcpy(patient.id, "123-4567");
    strcpy(patient.name, "山田太郎");
    strcpy(patient.kana, "ﾔﾏﾀﾞﾀﾛｳ");
    strcpy(patient.sex, "M");
    strcpy(patient.department, "睡眠科");
    strcpy(patient.requestingDoctor, "Dr. A");
    strcpy(patient.technician, "T. B");
    strcpy(patient.readingDoctor, "Dr. C");
    strcpy(patient.hospital, "North Clinic");
    SavePatientSettings(patient, inf.c_str());

    AppSettings settingsBack = {};
    PatientInfo patientBack = {};
    LoadFrameSettings(settingsBack, ini.c_str());
    LoadFileSettings(settingsBack, ini.c_str());
    LoadPatientSettings(patientBack, inf.c_str());
    EXPECT_EQ(0, memcmp(&settings, &settingsBack, sizeof settings));
    EXPECT_EQ(0, memcmp(&patient, &patientBack, sizeof patient));

    std::string system = ReadTextFile(ini);
    const char* systemOrder[] = {"MaxCh", "FrameTime", "SaveEnable", "TCType", "CalType", "OrgFile", "CopyFile"};
    for (size_t i = 1; i < sizeof systemOrder / sizeof systemOrder[0]; ++i)
        EXPECT_LT(KeyAt(system, systemOrder[i - 1]), KeyAt(system, systemOrder[i])) << systemOrder[i];
    std::string patientText = ReadTextFile(inf);
    const char* patientOrder[] = {"Height", "Weight", "AgeYear", "AgeMonth", "Year", "Month", "Day", "ID",
                                  "Name1", "Name2", "Sex", "Hospital", "Departmemt", "ReqDoctor",
                                  "Technician", "ReaderDoctor"};
    for (size_t i = 1; i < sizeof patientOrder / sizeof patientOrder[0]; ++i)
        EXPECT_LT(KeyAt(patientText, patientOrder[i - 1]), KeyAt(patientText, patientOrder[i])) << patientOrder[i];
    EXPECT_NE(std::string::npos, patientText.find("Departmemt=睡眠科"));
    EXPECT_NE(std::string::npos, patientText.find("Height=1705"));
}

TEST_F(SettingsFiles, CheckNotesOptionIsSavedAndLoaded) {
    for (uint16_t on : {1, 0}) {
        AppSettings settings = {}, back = {};
        settings.CheckNotes = on, back.CheckNotes = 7;
        ASSERT_TRUE(SaveOptionSettings(settings, ini.c_str()));
        EXPECT_NE(std::string::npos, ReadTextFile(ini).find(on ? "[NIGHTCHECK]\r\nAnnotations=1" : "Annotations=0"));
        LoadOptionSettings(back, ini.c_str());
        EXPECT_EQ(on, back.CheckNotes);
    }
}

TEST_F(SettingsFiles, ValuesAreTakenAsReadWithinTheirWidths) {
    WriteTextFile(ini,
                  "[SYSTEM]\r\nRefCount=abc\r\nMaxCh=99\r\nFrameTime=-7\r\nTCType=-1\r\nCalType=70000\r\n"
                  "SaveEnable=yes\r\n");
    EXPECT_EQ(1, CountStart(ini.c_str()));
    EXPECT_NE(std::string::npos, ReadTextFile(ini).find("RefCount=1"));
    EXPECT_EQ(2, CountStart(ini.c_str()));

    AppSettings settings = {};
    LoadFrameSettings(settings, ini.c_str());
    LoadFileSettings(settings, ini.c_str());
    EXPECT_EQ(32, settings.MaxCh);          // limited to the 32 montage rows
    EXPECT_EQ(-7, settings.FrameTime);      // kept; the conversion refuses it at its start
    EXPECT_EQ(65535, settings.TCType);      // the low 16 bits
    EXPECT_EQ(70000 & 0xFFFF, settings.CalType);
    EXPECT_EQ(0, settings.SaveEnable);      // no leading number
    SaveSystemSettings(settings, ini.c_str());
    EXPECT_NE(std::string::npos, ReadTextFile(ini).find("TCType=65535"));

    WriteTextFile(ini, "[SYSTEM]\r\nMaxCh=0\r\n");
    LoadFrameSettings(settings, ini.c_str());
    EXPECT_EQ(1, settings.MaxCh);
    WriteTextFile(ini, "[SYSTEM]\r\nMaxCh=-5\r\n");
    LoadFrameSettings(settings, ini.c_str());
    EXPECT_EQ(1, settings.MaxCh);
}

TEST_F(SettingsFiles, LongTextsAreCutToTheirBuffersWithoutSplittingACharacter) {
    std::string longId(40, '7');
    std::string longName;
    for (int i = 0; i < 20; ++i) longName += "睡";   // 40 bytes of double-byte characters
    std::string longPath = "C:\\" + std::string(400, 'p') + ".HDR";
    WriteTextFile(inf, "[PATIENT]\r\nID=" + longId + "\r\nName1=x" + longName + "\r\n");
    WriteTextFile(ini, "[SYSTEM]\r\nOrgFile=" + longPath + "\r\n");
    PatientInfo patient = {};
    AppSettings settings = {};
    LoadPatientSettings(patient, inf.c_str());
    LoadFileSettings(settings, ini.c_str());
    EXPECT_EQ(std::string(19, '7'), patient.id);
    // 31 bytes hold "x" and 15 whole characters; the 16th would be cut in half.
    EXPECT_EQ(31u, strlen(patient.name));
    EXPECT_EQ("x" + longName.substr(0, 30), patient.name);
    EXPECT_EQ(259u, strlen(settings.OrgFile));
}

TEST_F(SettingsFiles, GarbageFilesStartWithDefaults) {
    std::string garbage;
    unsigned seed = 12345;
    for (int i = 0; i < 5000; ++i) {
        seed = seed * 1103515245u + 12345u;
        garbage += static_cast<char>(seed >> 16);
    }
    const std::string samples[] = {garbage, "[SYSTEM", "[SYSTEM]\r\nMaxCh", "[PATIENT]\r\nHeight=\r\nID",
                                   std::string("\xFF\xFE[\0S\0Y\0", 8)};
    for (const std::string& text : samples) {
        WriteTextFile(ini, text);
        WriteTextFile(inf, text);
        AppSettings settings = {};
        PatientInfo patient = {};
        LoadFrameSettings(settings, ini.c_str());
        LoadFileSettings(settings, ini.c_str());
        LoadPatientSettings(patient, inf.c_str());
        EXPECT_GE(settings.MaxCh, 1);
        EXPECT_LE(settings.MaxCh, 32);
        EXPECT_LT(strlen(patient.id), sizeof patient.id);
        EXPECT_LT(strlen(patient.hospital), sizeof patient.hospital);
    }
}

// The Unix path behind a Windows path (Wine), or "" outside Wine.
std::string UnixPath(const std::string& path) {
    typedef char*(CDECL * ToUnix)(const WCHAR*);
    FARPROC found = GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
    ToUnix toUnix = nullptr;
    static_assert(sizeof toUnix == sizeof found, "function pointers of one size");
    memcpy(&toUnix, &found, sizeof toUnix);
    if (!toUnix) return std::string();
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
    char* unix = toUnix(wide);
    std::string out = unix ? unix : "";
    HeapFree(GetProcessHeap(), 0, unix);
    return out;
}

// Starts a host (Unix) command line under Wine; true when it started. Wine
// gives no handle to wait on for a host process: callers poll for its effect.
bool RunHost(std::string command) {
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

// Whether `path` opens (a link to a device included).
bool Listed(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

// A host process may still be running when Wine reports it ended: waits up
// to five seconds for `path` to be listed (or gone).
bool AwaitListed(const std::string& path, bool listed) {
    return PumpUntil([&] { return Listed(path) == listed; }, 5000);
}

// Makes `path` a link to the Unix device that reports a full disk on every
// write, by running the host's ln; false when that is not possible. The
// profile functions cannot remove such a link: UnlinkHost does.
bool LinkToFullDisk(const std::string& path) {
    const std::string unix = UnixPath(path);
    return !unix.empty() && RunHost("Z:\\bin\\ln -sf /dev/full " + unix) && AwaitListed(path, true);
}

// Removes the links again whatever the test's course.
struct HostLinks {
    std::string paths[2];
    ~HostLinks() {
        for (const std::string& path : paths) {
            const std::string unix = UnixPath(path);
            if (!unix.empty() && RunHost("Z:\\bin\\rm -f " + unix)) AwaitListed(path, false);
        }
    }
};

AppSettings SomeSettings(uint16_t maxCh) {
    AppSettings settings = {};
    settings.MaxCh = maxCh;
    settings.FrameTime = 2;
    settings.SaveEnable = 1;
    strcpy(settings.OrgFile, "C:\\REC\\NIGHT1.HDR");
    return settings;
}

TEST_F(SettingsFiles, ASaveThatCannotBeWrittenKeepsThePreviousFile) {
    WriteTextFile(ini, "[SYSTEM]\r\nMaxCh=12\r\n[Pattern1]\r\nPATTERN=Night\r\n[POSCALINFO]\r\nPosLevelN=3\r\n");
    const std::string before = ReadTextFile(ini);
    // The copy the save writes through cannot be made (its name is taken by a folder).
    ASSERT_TRUE(CreateDirectoryA((ini + ".new").c_str(), nullptr));
    EXPECT_FALSE(SaveSystemSettings(SomeSettings(24), ini.c_str()));
    EXPECT_EQ(before, ReadTextFile(ini));
    RemoveDirectoryA((ini + ".new").c_str());

    // A good save replaces the file and keeps the other sections.
    EXPECT_TRUE(SaveSystemSettings(SomeSettings(24), ini.c_str()));
    const std::string after = ReadTextFile(ini);
    EXPECT_NE(std::string::npos, after.find("MaxCh=24"));
    EXPECT_NE(std::string::npos, after.find("PATTERN=Night"));
    EXPECT_NE(std::string::npos, after.find("PosLevelN=3"));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((ini + ".new").c_str()));  // no copy left behind

    // The folder is a file, or lies where nothing can be created: false, nothing made.
    ResetCondFolder(false);
    WriteTextFile(ProgramDir() + "\\COND", "not a folder");
    EXPECT_FALSE(SaveSystemSettings(SomeSettings(5), ini.c_str()));
    PatientInfo patient = {};
    EXPECT_FALSE(SavePatientSettings(patient, inf.c_str()));
    DeleteFileA((ProgramDir() + "\\COND").c_str());
    EXPECT_FALSE(SaveSystemSettings(SomeSettings(5), "Z:\\proc\\MORLEX.INI"));
}

TEST_F(SettingsFiles, AFullDiskIsNoticedAndTheFileKept) {
    // Writes to /dev/full fail, yet the profile function reports success
    // for them: the save must find out by reading its copy back.
    HostLinks links{{ini + ".new", inf + ".new"}};
    ASSERT_TRUE(LinkToFullDisk(ini + ".new") && LinkToFullDisk(inf + ".new")) << "no link to /dev/full";
    EXPECT_FALSE(SaveSystemSettings(SomeSettings(24), ini.c_str()));  // no file yet: none made
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(ini.c_str()));

    WriteTextFile(ini, "[SYSTEM]\r\nMaxCh=12\r\n[Pattern1]\r\nPATTERN=Night\r\n");
    const std::string before = ReadTextFile(ini);
    EXPECT_FALSE(SaveSystemSettings(SomeSettings(24), ini.c_str()));  // the copy cannot be written
    EXPECT_EQ(before, ReadTextFile(ini));
    AppSettings back = {};
    LoadFrameSettings(back, ini.c_str());
    EXPECT_EQ(12, back.MaxCh);  // what the profile functions read is the file on the disk
    CountStart(ini.c_str());
    EXPECT_EQ(before, ReadTextFile(ini));

    PatientInfo patient = {};
    EXPECT_FALSE(SavePatientSettings(patient, inf.c_str()));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(inf.c_str()));
}

}  // namespace
