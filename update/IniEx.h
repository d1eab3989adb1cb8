#pragma once
// In-memory INI model: parses INI text into sections of key/value lines, answers
// lookups and can write the model back to a file with numbered backups.
// Plain C++; texts are byte strings (UTF-8 or Latin-1, compared byte-wise except
// for ASCII letter case).
#include <functional>
#include <string>
#include <vector>

class CSection {
public:
    std::string name;                // empty for the lines before the first header
    std::vector<std::string> keys;   // comment lines are keys with an empty value
    std::vector<std::string> values; // index-aligned with keys
};

class CIniEx {
public:
    // A lookup argument: a text, or a string-table id (0..0xFFFF) loaded through the
    // model's string loader.
    class Text {
    public:
        Text(const std::string& text) : text_(text) {}
        Text(const char* text) : text_(text ? text : "") {}
        Text(int id) : id_(id), isId_(id >= 0 && id <= 0xFFFF) {}
        std::string Resolve(const std::function<std::string(int)>& loader) const;

    private:
        std::string text_;
        int id_ = 0;
        bool isId_ = false;
    };

    explicit CIniEx(int growBy = 4);
    virtual ~CIniEx() = default;

    // Fills the model from INI text; always true.
    bool Parse(const std::string& text);
    // The value of key in section, or def. Of several equal keys the last one wins.
    std::string GetValue(const Text& section, const Text& key, const Text& def = Text("")) const;
    // Loads string-table texts for id arguments; without one an id gives "".
    void SetStringLoader(std::function<std::string(int)> loader) { loader_ = std::move(loader); }
    // Index of the first section with that name, or -1.
    int FindSection(const std::string& name) const;

    // Changes (or adds) a value and marks the model modified.
    void SetValue(const std::string& section, const std::string& key, const std::string& value);
    // The file the writer writes.
    void SetFileName(const std::string& path) {
        path_ = path;
        fileName_ = path;
    }
    void SetCaseInsensitive(bool on) { noCase_ = on; }
    bool IsModified() const { return modified_; }

    // Writes the model to the file when it was modified. With makeBackup the old file is
    // first copied to "<file>.NNN" (the next free number). Returns the backup file name,
    // or empty. The model stays modified when the file cannot be written.
    std::string Save(bool makeBackup);

    const std::vector<CSection>& Sections() const { return sections_; }

private:
    bool Same(const std::string& a, const std::string& b) const;
    void AddLine(const std::string& line);
    std::string NextBackupName() const;

    std::string fileName_;
    std::vector<CSection> sections_;
    size_t current_ = 0;
    int growBy_;
    bool noCase_ = true;
    bool fileOpen_ = false;
    std::string backupName_;
    std::string path_;
    void* spare_ = nullptr;
    bool modified_ = false;
    std::function<std::string(int)> loader_;
};

// The profile reader the update check instantiates.
class CPrivateProfile : public CIniEx {
public:
    CPrivateProfile() : CIniEx(4) {}
};
