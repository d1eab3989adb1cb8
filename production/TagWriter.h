#pragma once
// One tag family's steps of the production loop on an open reader connection: find a
// tag in the field and bind to its UID, check that the job may write it, write the
// job's image, read it back and compare, protect and lock it, and see whether it is
// still in the field. Every step after Find() talks to the bound tag only: ISO 15693
// requests are addressed to its UID, ISO 14443 steps select the card again and
// compare its UID first. A step returns "" when it succeeded, else the reason.
#include "production/Job.h"
#include "production/TagImage.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vorex::production {

class TagWriter {
public:
    virtual ~TagWriter() = default;

    // A tag in the field that `wanted` accepts (by its UID text), bound for the steps
    // below; nothing when there is none. `readerGone` is set when the reader itself
    // did not answer.
    virtual std::optional<std::vector<uint8_t>>
    Find(const std::function<bool(const std::string& uidText)>& wanted, bool& readerGone) = 0;
    // Which of the job's chips the bound tag is (BoundChip() afterwards).
    virtual std::string Identify() = 0;
    // Whether the job may write the units of `probe` (an image for this chip): nothing
    // locked there, and blank unless the job allows overwriting.
    virtual std::string CheckWritable(const TagImage& probe) = 0;
    virtual std::string Write(const TagImage& image) = 0;
    // Selects the bound tag again and compares every unit of the image.
    virtual std::string Verify(const TagImage& image) = 0;
    // After a verified write: passwords, keys and access conditions, locks (as the job
    // says), each checked.
    virtual std::string Protect(const TagImage& image) = 0;
    // Whether the bound tag still answers in the field.
    virtual bool StillThere() = 0;

    const Chip& BoundChip() const { return chip_; }

protected:
    Chip chip_{};
};

// The writer for the job's family on the open connection `handle`; null with `error`
// (naming the job field) when the job asks for something the reader calls cannot do.
std::unique_ptr<TagWriter> MakeTagWriter(int handle, const Job& job, std::string& error);

// The UID as text: upper-case hex, ISO 15693 most significant byte first (as an
// inventory prints it), ISO 14443 in the order the card sends it.
std::string UidText(Family family, const std::vector<uint8_t>& uid);

// "error 21: <the engine's text>" for the connection's last error.
std::string LastErrorText(int handle);

} // namespace vorex::production
