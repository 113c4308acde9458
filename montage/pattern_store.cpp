// Loading and storing montage patterns through the private-profile functions;
// see pattern_store.h. Loading follows the engine's section loader
// (engine/pattern_load.h); the channel lists are described once, in the
// pattern rules' table that both directions use.
#include "montage/pattern_store.h"

#include <windows.h>

#include "engine/pattern_file.h"
#include "engine/pattern_load.h"
#include "engine/pattern_rules.h"
#include "pagekit/profile.h"

namespace {

enum { kSectionSize = 16 };

bool ValidTarget(int slot, const char* iniPath) {
    return slot >= 0 && slot < kPatternCount && iniPath && iniPath[0];
}

}  // namespace

void LoadPatternSlot(MontagePattern& p, int slot, const char* iniPath) {
    if (!ValidTarget(slot, iniPath)) return;
    LoadPatternSection(p, slot, PrivateProfile(iniPath));
}

bool StorePatternSlot(const MontagePattern& p, int slot, const char* iniPath) {
    if (!ValidTarget(slot, iniPath)) return false;
    char section[kSectionSize];
    PatternSectionName(section, sizeof section, slot);
    ProfileBatch batch(iniPath);
    for (const auto& kv : PatternKeyTexts(p)) batch.Text(section, kv.first.c_str(), kv.second.c_str());
    return batch.Commit();
}

void LoadPattern(MontagePattern* patterns, int k, const char* iniPath) {
    if (!patterns || k < -1 || k >= kPatternCount) return;
    int first = k < 0 ? 0 : k;
    int last = k < 0 ? kPatternCount - 1 : k;
    for (int slot = first; slot <= last; ++slot) LoadPatternSlot(patterns[slot], slot, iniPath);
}

bool StorePattern(const MontagePattern* patterns, int k, const char* iniPath) {
    if (!patterns || k < 0 || k >= kPatternCount) return false;
    return StorePatternSlot(patterns[k], k, iniPath);
}
