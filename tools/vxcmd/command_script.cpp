#include "command_script.h"

#include "VX/VX.h"

#include <cctype>
#include <cstdint>
#include <cstring>
#include <sstream>
#include <vector>

const char* VX_error_name(const char* code) {
    struct Named {
        const VX_error* code;
        const char* name;
    };
    static const Named table[] = {
        {&VX_OK, "VX_OK"},
        {&VX_ERROR_UNKNOWN, "VX_ERROR_UNKNOWN"},
        {&VX_ERROR_FILE_CANNOT_OPEN, "VX_ERROR_FILE_CANNOT_OPEN"},
        {&VX_ERROR_FILE_CANNOT_READ, "VX_ERROR_FILE_CANNOT_READ"},
        {&VX_ERROR_FILE_CANNOT_CLOSE, "VX_ERROR_FILE_CANNOT_CLOSE"},
        {&VX_ERROR_MEMORY_CANNOT_ALLOCATE, "VX_ERROR_MEMORY_CANNOT_ALLOCATE"},
        {&VX_ERROR_MEMORY_CANNOT_REALLOC, "VX_ERROR_MEMORY_CANNOT_REALLOC"},
        {&VX_ERROR_MEMORY_CANNOT_FREE, "VX_ERROR_MEMORY_CANNOT_FREE"},
        {&VX_ERROR_PARAM_REQUIRED, "VX_ERROR_PARAM_REQUIRED"},
        {&VX_ERROR_RESOURCE_CANNOT_LOAD, "VX_ERROR_RESOURCE_CANNOT_LOAD"},
        {&VX_ERROR_RESOURCE_CANNOT_FIND, "VX_ERROR_RESOURCE_CANNOT_FIND"},
        {&VX_ERROR_RESOURCE_CANNOT_LOCK, "VX_ERROR_RESOURCE_CANNOT_LOCK"},
        {&VX_ERROR_AUDIO, "VX_ERROR_AUDIO"},
        {&VX_ERROR_AUDIO_CANNOT_OPEN, "VX_ERROR_AUDIO_CANNOT_OPEN"},
        {&VX_ERROR_AUDIO_CANNOT_INPUT_STOP, "VX_ERROR_AUDIO_CANNOT_INPUT_STOP"},
        {&VX_ERROR_AUDIO_CANNOT_INPUT_CLOSE, "VX_ERROR_AUDIO_CANNOT_INPUT_CLOSE"},
        {&VX_ERROR_AUDIO_CANNOT_OUTPUT_RESET, "VX_ERROR_AUDIO_CANNOT_OUTPUT_RESET"},
        {&VX_ERROR_AUDIO_CANNOT_OUTPUT_CLOSE, "VX_ERROR_AUDIO_CANNOT_OUTPUT_CLOSE"},
        {&VX_ERROR_COMMAND_NOT_FOUND, "VX_ERROR_COMMAND_NOT_FOUND"},
        {&VX_ERROR_COMMAND_NOT_PARAM, "VX_ERROR_COMMAND_NOT_PARAM"},
        {&VX_ERROR_COMMAND_NOT_SPACE, "VX_ERROR_COMMAND_NOT_SPACE"},
    };
    for (const Named& n : table)
        if (*n.code == code) return n.name;
    return "unknown code";
}

namespace {

std::vector<std::string> wordsOf(const std::string& text) {
    std::vector<std::string> words;
    std::istringstream in(text);
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

// Whether the lexer takes the word as a number or an object reference rather than a word.
bool isNumeric(const std::string& s) {
    size_t i = (s[0] == '+' || s[0] == '-') ? 1 : 0;
    return i < s.size() && (std::isdigit(static_cast<unsigned char>(s[i])) || s[i] == '.');
}

// The object a reference word names, or 0 when the word is no reference.
std::uintptr_t referenceOf(const std::string& s) {
    if (s.size() < 3 || s[0] != '0' || (s[1] != 'x' && s[1] != 'X')) return 0;
    std::uintptr_t value = 0;
    for (size_t i = 2; i < s.size(); ++i) {
        int c = std::tolower(static_cast<unsigned char>(s[i]));
        int digit = std::isdigit(c) ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
        if (digit < 0 || value > UINTPTR_MAX / 16) return 0;
        value = value * 16 + static_cast<std::uintptr_t>(digit);
    }
    return value;
}

bool isName(const std::string& s) {
    if (s.empty() || std::isdigit(static_cast<unsigned char>(s[0]))) return false;
    for (char c : s)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
    return true;
}

} // namespace

const std::string* VX_Command_Script::lookup(const std::string& name) const {
    auto it = names.find(name);
    return it == names.end() ? nullptr : &it->second;
}

bool VX_Command_Script::fail(const std::string& message) {
    std::fprintf(out, "error: %s\n", message.c_str());
    std::fflush(out);
    ++failed;
    return false;
}

void VX_Command_Script::keep(const std::string& name, const std::string& word) {
    names[name] = word;
    deletedNames.erase(name);
}

void VX_Command_Script::forget(std::uintptr_t object) {
    objects.erase(object);
    for (auto it = names.begin(); it != names.end();) {
        if (referenceOf(it->second) != object) {
            ++it;
            continue;
        }
        deletedNames.insert(it->first);
        it = names.erase(it);
    }
}

bool VX_Command_Script::runLine(const std::string& line) {
    std::vector<std::string> words = wordsOf(line);
    if (words.empty() || words[0][0] == '#') return true;

    std::string name;
    if (words.size() >= 2 && words[1] == "=") {
        if (!isName(words[0])) return fail("'" + words[0] + "' cannot be a name");
        name = words[0];
        words.erase(words.begin(), words.begin() + 2);
        if (words.empty()) return fail("no command after '" + name + " ='");
    }

    for (std::string& word : words) {
        if (word[0] == '$') {
            const std::string wanted = word.substr(1);
            const std::string* value = lookup(wanted);
            if (!value && deletedNames.count(wanted))
                return fail("'" + wanted + "' names an object that has been deleted");
            if (!value) return fail("'" + wanted + "' has not been given a value");
            word = *value;
        }
        if (word[0] == '%')
            return fail("'" + word + "': directives need arguments; write the value itself");
    }

    // A number after the class name is taken as the object to work on, whatever it points at:
    // only objects that this script made and has not deleted are accepted there.
    std::uintptr_t target = 0;
    if (words.size() >= 2 && isNumeric(words[1])) {
        target = referenceOf(words[1]);
        if (!objects.count(target))
            return fail("'" + words[1] + "' is not an object made by this script");
    }

    std::string command;
    for (const std::string& word : words) {
        if (!command.empty()) command += ' ';
        command += word;
    }
    commands.push_back(command);
    const std::string& text = commands.back();
    std::fprintf(out, "> %s\n", text.c_str());
    std::fflush(out);

    // The command is its own format: it holds no directive (refused above), so no argument is
    // ever read.
    static char result[65536];
    int length = sizeof result;
    VX_error code = VX_cmd_text(result, &length, text.c_str());
    // A failed command keeps what it did before the failure, so its text so far is shown too:
    // an object it created stays known and can be deleted.
    if (code != VX_OK) length = static_cast<int>(strnlen(result, sizeof result));
    std::string resultText(result, static_cast<size_t>(length));
    std::fflush(stdout);
    if (!resultText.empty()) std::fprintf(out, "%s\n", resultText.c_str());
    std::fprintf(out, "%s \"%s\"\n", VX_error_name(code), code);
    std::fflush(out);

    std::vector<std::string> resultWords = wordsOf(resultText);
    const std::uintptr_t made =
        target == 0 && !resultWords.empty() ? referenceOf(resultWords[0]) : 0;
    // A command that deleted its object, the one it made or the one it was given, has deleted
    // it even if it failed afterwards: the object and its names are forgotten, and so is the
    // name the line asked for.
    const bool deleted = VX_cmd_deleted_its_object();
    if (deleted) {
        forget(target != 0 ? target : made);
        if (!name.empty()) {
            names.erase(name);
            deletedNames.insert(name);
        }
    } else if (made) {
        objects.insert(made);
        if (!name.empty()) keep(name, resultWords[0]);
    }
    if (code != VX_OK) {
        ++failed;
        return false;
    }
    if (!name.empty() && !deleted) {
        if (resultWords.empty()) return fail("'" + name + "': the command returned nothing");
        keep(name, resultWords[0]);
    }
    return true;
}
