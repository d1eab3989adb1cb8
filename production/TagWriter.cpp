#include "production/TagWriter.h"

#include "cards/CardTypes.h"
#include "production/ClassicWriter.h"
#include "production/Iso15693Writer.h"
#include "production/NtagWriter.h"

#include <vorex/vorex.h>

namespace vorex::production {

std::unique_ptr<TagWriter> MakeTagWriter(int handle, const Job& job, std::string& error) {
    switch (job.family) {
    case Family::Ntag:
        return std::make_unique<NtagWriter>(handle, job);
    case Family::Classic:
        return std::make_unique<ClassicWriter>(handle, job);
    case Family::Iso15693:
        // The reader calls have no Write AFI, Write DSFID or their locks: a job that asks
        // for them would end with tags that lack them.
        if (job.iso15693.afi || job.iso15693.lockAfi) {
            error = "$.iso15693.afi: the reader cannot write or lock the AFI";
            return nullptr;
        }
        if (job.iso15693.dsfid || job.iso15693.lockDsfid) {
            error = "$.iso15693.dsfid: the reader cannot write or lock the DSFID";
            return nullptr;
        }
        return std::make_unique<Iso15693Writer>(handle, job);
    }
    error = "$.family: unknown";
    return nullptr;
}

std::string UidText(Family family, const std::vector<uint8_t>& uid) {
    if (family != Family::Iso15693)
        return cards::Hex(uid.data(), uid.size());
    std::vector<uint8_t> msbFirst(uid.rbegin(), uid.rend());
    return cards::Hex(msbFirst.data(), msbFirst.size());
}

std::string LastErrorText(int handle) {
    const int error = VOREX_GetLastError(handle);
    std::string text(static_cast<size_t>(VOREX_GetErrorText(error, nullptr, 0)) + 1, '\0');
    VOREX_GetErrorText(error, text.data(), static_cast<int>(text.size()));
    text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return "error " + std::to_string(error) + (text.empty() ? "" : ": " + text);
}

} // namespace vorex::production
