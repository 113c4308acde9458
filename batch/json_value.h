// A small reader of JSON text into plain values, for the files the batch
// reads back: the check files beside the PSG files and the manifest's
// lines. Strings stay UTF-8 (escapes decoded); numbers are doubles.
#pragma once

#include <map>
#include <string>
#include <vector>

struct JsonValue {
    enum Kind { Null, Bool, Number, String, Array, Object } kind = Null;
    bool flag = false;
    double number = 0;
    std::string text;
    std::vector<JsonValue> items;               // Array
    std::map<std::string, JsonValue> members;   // Object

    // The member `name` of an object; a null value when there is none.
    const JsonValue& operator[](const std::string& name) const;
    // The text of a string, "" for anything else.
    const std::string& Text() const;
    // The number, or `otherwise` for anything that is not a number.
    double NumberOr(double otherwise) const { return kind == Number ? number : otherwise; }
};

// Reads one JSON value filling the whole text (white space around it
// allowed). False, `value` unspecified, when the text is not exactly one
// value: a torn or damaged file.
bool ParseJson(const std::string& text, JsonValue& value);
