// Runs framework commands written as text, one per line, and prints what each returned.
//
// A line "name = command" keeps the first word of the command's result (the reference of the
// object a creation made) under the name; "$name" in a later command stands for that word.
// Empty lines and lines beginning with "#" are skipped. Words are separated by any run of
// blanks. Objects are written after their class ("VX_Buffer $buf -l"); a reference there must
// be one that the script made, since the interpreter would take any number as an object. An
// object that a command deleted (by "-delete", also in the command that made it) is forgotten
// with every name that stood for it.
// Per-cent directives are refused: they would read arguments that a text line cannot supply.
#pragma once

#include <cstdint>
#include <cstdio>
#include <deque>
#include <map>
#include <set>
#include <string>

class VX_Command_Script {
public:
    explicit VX_Command_Script(std::FILE* out) : out(out) {}

    // Runs one line; false when the command failed or could not be run.
    bool runLine(const std::string& line);

    // The word kept under a name, or null.
    const std::string* lookup(const std::string& name) const;

    int failures() const { return failed; }

private:
    bool fail(const std::string& message);
    void keep(const std::string& name, const std::string& word);
    // The object is gone: it is no longer accepted, and its names stand for nothing.
    void forget(std::uintptr_t object);

    std::FILE* out;
    std::map<std::string, std::string> names;
    std::set<std::string> deletedNames; // names whose object was deleted
    std::set<std::uintptr_t> objects;   // made by this script and not deleted
    // Objects keep a pointer to the command that created them: every command text lives as
    // long as the program.
    std::deque<std::string> commands;
    int failed = 0;
};

// The name of an error code ("VX_OK", "VX_ERROR_COMMAND_NOT_FOUND", ...), or "unknown code".
const char* VX_error_name(const char* code);
