// The recorder of a recording; see recorder_identity.h.
#include "engine/recorder_identity.h"

#include <cctype>

#include "taffread/taff_file.h"
#include "textkit/sjis_text.h"

namespace {

const size_t kValueBytes = 63;

std::string Upper(std::string text) {
    for (char& c : text) c = char(toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    const size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

void Keep(std::string& field, const std::string& value) {
    if (!field.empty() || value.empty()) return;
    char cut[kValueBytes + 1];
    CopyText(cut, int(sizeof cut), value.c_str());
    field = cut;
}

}  // namespace

RecorderIdentity ParseRecorderIdentity(const std::string& text) {
    RecorderIdentity id;
    bool recorderPart = false;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find_first_of("\r\n", at);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        const size_t space = line.find_first_of(" \t");
        const std::string key = Upper(Trimmed(line.substr(0, space)));
        const std::string value = space == std::string::npos ? "" : Trimmed(line.substr(space));
        if (!recorderPart) {
            recorderPart = key == "DATA";
            continue;
        }
        if (key == "DEVICE") Keep(id.device, value);
        else if (key == "ID_NO") Keep(id.idNo, value);
        else if (key.find("SERIAL") != std::string::npos) Keep(id.serial, value);
        else if (key.find("SLOT") != std::string::npos) Keep(id.slot, value);
    }
    return id;
}

RecorderIdentity ReadRecorderIdentity(const std::string& path) {
    std::string text;
    if (!taff::ReadSmallFile(path, 1 << 20, &text)) return RecorderIdentity();
    return ParseRecorderIdentity(text);
}

std::string RecorderText(const RecorderIdentity& r) {
    std::string text = r.device;
    const auto add = [&text](const char* what, const std::string& value) {
        if (value.empty()) return;
        text += (text.empty() ? "" : " ") + std::string(what) + value;
    };
    add("slot ", r.slot);
    add("serial ", r.serial);
    add("ID ", r.idNo);
    return text;
}
