// Where each recording's output goes in a batch over an archive. A
// recording found under a folder input keeps its place below that folder
// (`--base DIR` gives the same for any input under DIR, such as the header
// files of a list), so recordings of one name in different folders never
// meet at one output, whichever run converts them. The extension is the
// window program's .DAT unless --ext names another. Two recordings that
// would still share an output are found before anything is converted.
#pragma once

#include <string>
#include <vector>

// The output extension of `ext` (".edf" or "edf" give ".edf"); false when
// it is empty or would name a folder.
bool OutputExtension(const std::string& ext, std::string& extension);

// The output path of a recording in `outDir`: the name the window program
// proposes (ProposeOutputName: NIGHT1.HDR gives NIGHT1.DAT).
std::string OutputPathFor(const std::string& outDir, const std::string& headerPath);

// The folder below `root` that `header` lies in ("" when it lies in `root`
// itself); false when it does not lie below `root`.
bool FolderBelow(const std::string& root, const std::string& header, std::string& below);

// The output path of `header`: `outDir`, the header's folder below `root`
// (or below `base` when given and the header lies under it), and the
// proposed name with `extension`.
std::string MirroredOutputPath(const std::string& outDir, const std::string& header, const std::string& root,
                               const std::string& base, const std::string& extension);

// Pairs of inputs whose outputs are one file (names compared without regard
// to letter case, as many file systems compare them: FoldedName), each as
// "A and B would both be written to OUT". The same header named twice is no
// pair: `unique` says which entries to convert (the later twins not).
// `shared` (when given) receives the index of every input of a pair.
std::vector<std::string> SharedOutputs(const std::vector<std::string>& headers,
                                       const std::vector<std::string>& outputs, std::vector<bool>& unique,
                                       std::vector<size_t>* shared = nullptr);
