// The library's word lists: the program's decimal list parser (see
// textkit/number_parse.h) under the library's names.
#include "winkit/word_list.h"

#include "textkit/number_parse.h"

int WkParseWordList(uint16_t* values, const char* text, int length, int max) {
    return ParseWordList(values, text, length, max);
}

int WkParseLongList(int32_t* values, const char* text, int length, int max) {
    return ParseLongList(values, text, length, max);
}
