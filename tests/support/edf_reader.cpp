// EDFlib wrapper for the native tests; see edf_reader.h.
#include "tests/support/edf_reader.h"

EdfReader::EdfReader(const std::string& path) : hdr_(new edf_hdr_struct()) {
    rc_ = edfopen_file_readonly(path.c_str(), hdr_.get(), EDFLIB_READ_ALL_ANNOTATIONS);
}

EdfReader::~EdfReader() {
    if (rc_ == 0) edfclose_file(hdr_->handle);
}

std::string EdfReader::Label(int s) const {
    std::string label = hdr_->signalparam[s].label;
    while (!label.empty() && label.back() == ' ') label.pop_back();
    return label;
}

std::vector<int> EdfReader::Digital(int s, long long from, int count) {
    std::vector<int> out(static_cast<size_t>(count));
    edfseek(hdr_->handle, s, from, EDFSEEK_SET);
    int n = edfread_digital_samples(hdr_->handle, s, count, out.data());
    out.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return out;
}

std::vector<int> EdfReader::Digital(int s) {
    return Digital(s, 0, static_cast<int>(hdr_->signalparam[s].smp_in_file));
}

std::vector<double> EdfReader::Physical(int s, long long from, int count) {
    std::vector<double> out(static_cast<size_t>(count));
    edfseek(hdr_->handle, s, from, EDFSEEK_SET);
    int n = edfread_physical_samples(hdr_->handle, s, count, out.data());
    out.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return out;
}

std::vector<EdfAnnotation> EdfReader::Annotations() {
    std::vector<EdfAnnotation> out;
    for (long long i = 0; i < hdr_->annotations_in_file; ++i) {
        edf_annotation_struct a;
        if (edf_get_annotation(hdr_->handle, static_cast<int>(i), &a) == 0) out.push_back({a.onset, a.annotation, a.duration_l < 0 ? -1 : a.duration_l});
    }
    return out;
}

std::vector<std::string> EdfReader::AnnotationTexts() {
    std::vector<std::string> texts;
    for (const EdfAnnotation& a : Annotations()) texts.push_back(a.text);
    return texts;
}
