// Opens PSG files with EDFlib, the strict third-party EDF+ reader, for the
// native tests: the header, digital samples and annotation texts.
#pragma once

#include <edflib.h>

#include <memory>
#include <string>
#include <vector>

struct EdfAnnotation {
    long long onset;  // 100 ns units
    std::string text;
    long long duration = -1;  // 100 ns units; -1: none given
};

class EdfReader {
public:
    explicit EdfReader(const std::string& path);
    ~EdfReader();
    EdfReader(const EdfReader&) = delete;
    EdfReader& operator=(const EdfReader&) = delete;

    bool ok() const { return rc_ == 0; }
    const edf_hdr_struct& hdr() const { return *hdr_; }
    // Label of signal `s` without its padding.
    std::string Label(int s) const;
    // `count` digital samples of signal `s` from sample `from`.
    std::vector<int> Digital(int s, long long from, int count);
    // Every digital sample of signal `s`.
    std::vector<int> Digital(int s);
    // `count` samples of signal `s` from sample `from` in physical units, as
    // EDFlib scales them.
    std::vector<double> Physical(int s, long long from, int count);
    std::vector<EdfAnnotation> Annotations();
    // The texts of every annotation, in file order.
    std::vector<std::string> AnnotationTexts();

private:
    std::unique_ptr<edf_hdr_struct> hdr_;
    int rc_ = -1;
};
