// The manifest of a batch; see manifest.h.
#include "batch/manifest.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "batch/output_files.h"
#include "batch/sha256.h"
#include "engine/version.h"
#include "recfile/rec_text.h"

#ifdef _WIN32
#include <io.h>
#endif

namespace {

#ifndef _WIN32
// Whether `text` is well-formed UTF-8.
bool IsUtf8(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > text.size()) return false;
        for (size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        i += n;
    }
    return true;
}
#endif

std::string FileHash(const std::string& path) {
    std::string hex;
    if (path.empty() || !Sha256OfFile(path, hex)) return "null";
    return "\"" + hex + "\"";
}

// The bytes of a file hashed into `sha` with its name's role; "none" when
// not given.
void AddFileTo(Sha256& sha, const char* role, const std::string& path) {
    std::string hex = "none";
    if (!path.empty() && !Sha256OfFile(path, hex)) hex = "unreadable";
    const std::string text = std::string(role) + "=" + hex + "\n";
    sha.Add(text.data(), text.size());
}

std::string PatientSidecarOf(const std::string& header) {
    for (const std::string& file : RecordingFilesOf(header))
        if (HasExtension(FileNameOf(file), "INF")) return file;
    return "";
}

}  // namespace

std::string JsonString(const std::string& raw) {
#ifdef _WIN32
    const std::string text = RecSjisToUtf8(raw);
#else
    const std::string text = IsUtf8(raw) ? raw : RecSjisToUtf8(raw);
#endif
    std::string out = "\"";
    for (char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            char escaped[8];
            snprintf(escaped, sizeof escaped, "\\u%04x", u);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string SettingsHash(const BatchOptions& o) {
    Sha256 sha;
    AddFileTo(sha, "settings", o.settingsFile);
    AddFileTo(sha, "patient", o.patientFile);
    const std::string rest = "pattern=" + std::to_string(o.pattern > 0 ? o.pattern : 1) +
                             "\nframe=" + std::to_string(o.frameTime) + "\nall=" + (o.allChannels ? "1" : "0") +
                             "\ncomment=" + o.comment + "\nstart=" + o.start + "\n";
    sha.Add(rest.data(), rest.size());
    // The de-identified copy's choices, only when asked (other hashes stay as they were).
    if (o.deidentify) {
        const std::string identity = "deidentify=" + o.studyCode + (o.keepAge ? ";age" : "") +
                                     (o.keepSex ? ";sex" : "") + (o.shiftDate ? ";shift" : "") + "\n";
        sha.Add(identity.data(), identity.size());
    }
    return sha.HexDigest();
}

std::string DataFileOf(const std::string& header) {
    for (const std::string& file : RecordingFilesOf(header))
        if (!HasExtension(FileNameOf(file), "INF") && !SameFile(file, header)) return file;
    return "";
}

namespace {

// The night check of the recording, when one was made: its verdict, rule
// set, findings by level and its files.
std::string CheckObject(const JobResult& r) {
    if (!r.checked) return "";
    return ",\"check\":{\"verdict\":\"" + r.checkVerdict + "\",\"rule\":" + JsonString(r.checkRule) +
           ",\"findings\":{\"info\":" + std::to_string(r.checkFindings[0]) +
           ",\"warn\":" + std::to_string(r.checkFindings[1]) + ",\"fail\":" + std::to_string(r.checkFindings[2]) +
           "},\"file\":" + JsonString(r.checkJson) + ",\"report\":" + JsonString(r.checkReport) + "}";
}

}  // namespace

const char* ResultWord(const JobResult& r) {
    if (r.skipped) return "skipped";
    if (r.converted) return "converted";
    if (r.checkOnly && r.checked) return "checked";
    return r.interrupted ? "interrupted" : "failed";
}

std::string ManifestLine(const ManifestRun& run, const JobResult& r) {
    const bool done = r.converted && PathExists(r.output);
    const std::string sidecar = PatientSidecarOf(r.header);
    std::string settings = run.settingsHash;
    if (!sidecar.empty()) {     // the recording's own patient file decides its patient
        Sha256 sha;
        sha.Add(settings.data(), settings.size());
        AddFileTo(sha, "sidecar", sidecar);
        settings = sha.HexDigest();
    }
    std::string line = "{\"input\":" + JsonString(r.header) + ",\"output\":" + JsonString(r.output) +
                       ",\"result\":\"" + ResultWord(r) + "\",\"reason\":" + JsonString(r.reason) +
                       ",\"channels\":" + std::to_string(r.channels) + ",\"records\":" + std::to_string(r.records) +
                       ",\"bytes\":" + (done ? std::to_string(FileBytes(r.output)) : std::string("null")) +
                       ",\"data_sha256\":" + FileHash(DataFileOf(r.header)) +
                       ",\"output_sha256\":" + (done ? FileHash(r.output) : std::string("null")) +
                       ",\"converter_version\":\"" CONVERTER_VERSION_TEXT "\",\"settings_sha256\":\"" + settings +
                       "\"" + CheckObject(r) + "}\n";
    return line;
}

int AppendManifestLine(const std::string& path, const std::string& line) {
#ifdef _WIN32
    const int fd = _open(path.c_str(), _O_WRONLY | _O_APPEND | _O_CREAT | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0) return errno ? errno : EIO;
    const int written = _write(fd, line.data(), unsigned(line.size()));
    const int error = written == int(line.size()) ? 0 : (errno ? errno : EIO);
    _close(fd);
    return error;
#else
    const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return errno;
    // A lock on the whole file: appends of other processes wait, over a
    // network file system too, where O_APPEND alone does not keep lines whole.
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    while (fcntl(fd, F_SETLKW, &lock) != 0 && errno == EINTR) {
    }
    size_t done = 0;
    int error = 0;
    while (done < line.size()) {
        const ssize_t n = write(fd, line.data() + done, line.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = n < 0 ? errno : EIO;
            break;
        }
        done += size_t(n);
    }
    if (error == 0 && fsync(fd) != 0) error = errno;
    close(fd);      // closing releases the lock
    return error;
#endif
}
