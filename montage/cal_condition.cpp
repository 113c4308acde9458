// Calibration condition file import through the open-file dialog and the
// profile functions; see cal_condition.h.
#include "montage/cal_condition.h"

#include "engine/cal_rules.h"
#include "pagekit/file_dialogs.h"
#include "pagekit/profile.h"
#include "pagekit/program.h"

namespace {

// The file's values through the profile functions, empty when missing.
class ProfileCalReader : public CalValueReader {
public:
    explicit ProfileCalReader(const char* path) : path_(path) {}
    int ReadText(const char* section, const char* key, char* dest, int size) override {
        return ReadProfileText(section, key, "", dest, size, path_);
    }

private:
    const char* path_;
};

}  // namespace

int ImportCalFile(const char* path, MontagePattern& pattern, int maxCh) {
    if (!path || !path[0]) return 0;
    ProfileCalReader file(path);
    return ImportCalCondition(file, pattern, maxCh);
}

int LoadCalCondition(HWND owner, ConverterState& state) {
    if (!AskOpenFileInFolder(owner, "CAL Condition File Select", "CAL File(*.CAL)|*.CAL|All Files(*.*)|*.*|", "CAL",
                             g_program.settingsPath))
        return 0;
    return ImportCalFile(g_fileBuffers.fileName, CurrentPattern(state), state.settings.MaxCh);
}
