// Writes to one profile (INI) file that either all arrive or leave the file
// as it was. The platform's profile functions rewrite the whole file in
// place on every write; when the disk fills part way they leave it cut
// short (every section after the cut lost) and still report success, the
// cached values hiding the loss until the next start. A batch therefore
// writes to a copy beside the file ("<file>.new"), checks by reading the
// copy back from the disk that it was not cut short (a mark section written
// last must be there; it is then removed and the rest must read the same),
// and only then puts the copy in the file's place with one rename.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

class ProfileBatch {
public:
    // Starts from a copy of the file at `path` (an empty copy when there is
    // no file yet). Nothing is written when the copy cannot be made.
    explicit ProfileBatch(const char* path);
    // Removes the copy when the batch was not committed.
    ~ProfileBatch();
    ProfileBatch(const ProfileBatch&) = delete;
    ProfileBatch& operator=(const ProfileBatch&) = delete;

    // Writes `key` of `section` in the copy; false once any step has failed.
    bool Text(const char* section, const char* key, const char* text);
    bool Signed(const char* section, const char* key, int32_t value);    // "%i"
    bool Unsigned(const char* section, const char* key, uint32_t value);  // "%u"

    // Checks the copy and puts it in the file's place. False, with the file
    // unchanged and the copy removed, when any write, the check or the
    // replacement failed.
    bool Commit();

private:
    std::string path_, copy_;
    bool ok_ = false;
    bool done_ = false;
};
