// The file dialog through which the user chooses a preset file to load or save: the system's
// modal open and save dialogs, owned by the window the editor is shown in. The chosen path
// stays in the dialog's own buffer, which is also the next call's initial file name.
//
// Tests and programs without a desktop set an answerer instead (setAnswerer): it is asked in
// place of the modal dialog, so that nothing waits for a person who is not there.
#pragma once

#include <cstddef>

class VX_Win;

class VX_Dlg_File {
public:
    static constexpr size_t fileCapacity = 4096;

    // `filter`: pairs of zero-terminated texts (description, pattern), ended by an empty text;
    // kept by reference. The first pattern's extension is the one a name typed without one
    // is given ("*.torv" gives ".torv").
    VX_Dlg_File(VX_Win* owner, const char* filter);
    VX_Dlg_File(const VX_Dlg_File&) = delete;
    VX_Dlg_File& operator=(const VX_Dlg_File&) = delete;
    virtual ~VX_Dlg_File();

    // The chosen path, or null when the user cancelled or the dialog failed. The path is
    // valid until the next call. [ui thread]
    virtual const char* open();
    virtual const char* save();

    // What a name without an extension is given: the first pattern's extension, without the
    // dot ("torv"); empty when the filter has none.
    const char* defaultExtension() const { return extension; }

    // Asked instead of the modal dialog while set: fills `file` (its capacity given) with the
    // chosen path and returns true, or returns false for a cancel. Returns the previous one.
    using Answerer = bool (*)(bool forSaving, char* file, size_t capacity);
    static Answerer setAnswerer(Answerer answerer);

    VX_Win* owner;
    const char* filter;
    char file[fileCapacity] = {};

private:
    const char* ask(bool forSaving);
    // The modal dialog of the platform; false on cancel or error. [ui thread]
    bool askSystem(bool forSaving);
    // Takes the default extension from the filter (both platforms' constructors).
    void takeExtension();

    char extension[16] = {};
    void* request = nullptr; // the platform's request record, reused for every call
};
