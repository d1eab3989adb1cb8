// Job files: the examples load, a tag's image holds the expanded content where the job
// says, and every kind of mistake is refused before the first tag with the JSON path of
// the field at fault.
#include "production/Job.h"
#include "cards/Ndef.h"
#include "production/TagImage.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>

namespace {

using namespace vorex::production;
using nlohmann::json;

TEST(Job, EveryExampleLoads) {
    std::filesystem::path folder = vtest::SourcePath("examples/production");
    std::set<Family> families;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        JobLoad load = LoadJobFile(entry.path().string());
        EXPECT_TRUE(load.ok) << load.error;
        families.insert(load.job.family);
    }
    EXPECT_EQ(families.size(), 3u) << "one example per family";
}

json NtagJob() {
    return json::parse(R"({
      "name": "n", "family": "ntag", "chips": ["NTAG213"],
      "serial": {"prefix": "VX-", "width": 6},
      "content": {"ndef": [{"type": "uri", "uri": "https://v.example/{serial}"}]}
    })");
}

TEST(Job, NtagImageCarriesTheSerialFromPageFour) {
    JobLoad load = ParseJob(NtagJob().dump());
    ASSERT_TRUE(load.ok) << load.error;
    TagImage image = BuildImage(load.job, load.job.chips[0], {42, {4, 1, 2, 3, 4, 5, 6}, "x"});
    ASSERT_TRUE(image.ok) << image.error;
    ASSERT_FALSE(image.units.empty());
    EXPECT_EQ(image.units.front().unit, 4);
    std::vector<uint8_t> memory(12, 0);
    memory.insert(memory.end(), {0xE1, 0x10, 0x12, 0x00});
    for (const UnitData& u : image.units)
        memory.insert(memory.end(), u.bytes.begin(), u.bytes.end());
    vorex::cards::ndef::Message m = vorex::cards::ndef::Parse(memory);
    ASSERT_EQ(m.status, vorex::cards::ndef::Status::Ok) << m.error;
    EXPECT_EQ(m.records.at(0).uri, "https://v.example/VX-000042");
}

TEST(Job, RawContentLandsInItsUnits) {
    JobLoad load = LoadJobFile(vtest::SourcePath("examples/production/iso15693-article.json"));
    ASSERT_TRUE(load.ok) << load.error;
    TagImage image =
        BuildImage(load.job, load.job.chips[0], {7, {0xE0, 4, 1, 2, 3, 4, 5, 6}, "2026-01-02"});
    ASSERT_TRUE(image.ok) << image.error;
    std::map<int, std::string> text;
    for (const UnitData& u : image.units)
        text[u.unit] = std::string(u.bytes.begin(), u.bytes.end());
    EXPECT_EQ(text[0] + text[1], "ART-4711");
    EXPECT_EQ(text[2] + text[3], "00000007");
    EXPECT_EQ(image.units.back().unit, 5);
    EXPECT_EQ(image.units.back().bytes, (std::vector<uint8_t>{3, 4, 5, 6}));

    JobLoad classic =
        LoadJobFile(vtest::SourcePath("examples/production/mifare-classic-1k-sectors.json"));
    ASSERT_TRUE(classic.ok) << classic.error;
    TagImage c = BuildImage(classic.job, classic.job.chips[0], {10000003, {1, 2, 3, 4}, "d"});
    ASSERT_TRUE(c.ok) << c.error;
    EXPECT_EQ(c.units.front().unit, 4); // sector 1, block 0
    EXPECT_EQ(std::string(c.units.front().bytes.begin(), c.units.front().bytes.begin() + 9),
              std::string("T10000003"));
    EXPECT_EQ(c.units.back().unit, 8); // sector 2, block 0
}

// Each case changes the valid NTAG job at one JSON pointer (or removes the field when
// the value is null) and names the path the error must carry.
TEST(Job, MistakesAreRefusedWithTheirPath) {
    struct Case {
        const char* pointer;
        json value;
        const char* path;
    } cases[] = {
        {"/family", "felica", "$.family"},
        {"/chips/0", "NTAG999", "$.chips[0]"},
        {"/chips/0", "ICODE_SLIX", "$.chips[0]"},
        {"/chips", json::array(), "$.chips"},
        {"/serial/width", 0, "$.serial.width"},
        {"/serial/width", "6", "$.serial.width"},
        {"/serial/step", 0, "$.serial.step"},
        {"/serial/start", -1, "$.serial.start"},
        {"/serial/colour", 1, "$.serial.colour"},
        {"/lock_after_verfy", true, "$.lock_after_verfy"},
        {"/overwrite_non_blank", "yes", "$.overwrite_non_blank"},
        {"/name", nullptr, "$.name"},
        {"/content/ndef/0/uri", "https://v.example/{serail}", "$.content.ndef[0].uri"},
        {"/content/ndef/0/uri", std::string(200, 'u'), "$.content.ndef"},
        {"/content/ndef/0/type", "mime", "$.content.ndef[0].type"},
        {"/content/raw", json::array({{{"page", 4}, {"text", "x"}}}), "$.content.ndef"},
        {"/ntag", {{"password", "1234"}, {"pack", "0000"}}, "$.ntag.password"},
        {"/ntag", {{"password", "1234567G"}, {"pack", "0000"}}, "$.ntag.password"},
        {"/ntag", {{"password", "12345678"}}, "$.ntag.pack"},
        {"/iso15693", {{"afi", 1}}, "$.iso15693"},
    };
    for (const auto& c : cases) {
        json job = NtagJob();
        json::json_pointer pointer(c.pointer);
        if (c.value.is_null())
            job.at(pointer.parent_pointer()).erase(pointer.back());
        else
            job[pointer] = c.value;
        JobLoad load = ParseJob(job.dump());
        EXPECT_FALSE(load.ok) << c.pointer;
        EXPECT_EQ(load.path, c.path) << c.pointer << ": " << load.error;
        EXPECT_EQ(load.error.rfind(std::string(c.path) + ": ", 0), 0u) << load.error;
    }
}

TEST(Job, FamilyRulesAreChecked) {
    struct Case {
        const char* text;
        const char* path;
    } cases[] = {
        // a raw page beyond the smallest accepted chip's user memory
        {R"({"name":"n","family":"ntag","chips":["NTAG215","NTAG213"],"serial":{"width":4},
            "content":{"raw":[{"page":40,"text":"{serial}"}]}})",
         "$.content.raw[0]"},
        // two entries writing the same page
        {R"({"name":"n","family":"ntag","chips":["NTAG213"],"serial":{"width":4},
            "content":{"raw":[{"page":4,"text":"{serial}"},{"page":4,"hex":"00"}]}})",
         "$.content.raw[1]"},
        // a hex entry whose placeholder does not give hex digits
        {R"({"name":"n","family":"ntag","chips":["NTAG213"],"serial":{"prefix":"S","width":4},
            "content":{"raw":[{"page":4,"hex":"{serial}"}]}})",
         "$.content.raw[0].hex"},
        // Ultralight has no password
        {R"({"name":"n","family":"ntag","chips":["NTAG213","ULTRALIGHT"],"serial":{"width":4},
            "content":{"raw":[{"page":4,"text":"{serial}"}]},
            "ntag":{"password":"00000000","pack":"0000"}})",
         "$.chips[1]"},
        // the manufacturer block and a sector trailer are not content
        {R"({"name":"n","family":"mifare_classic","chips":["MIFARE_CLASSIC_1K"],
            "serial":{"width":4},"content":{"raw":[{"sector":0,"block":0,"text":"x"}]}})",
         "$.content.raw[0]"},
        {R"({"name":"n","family":"mifare_classic","chips":["MIFARE_CLASSIC_1K"],
            "serial":{"width":4},"content":{"raw":[{"sector":1,"block":3,"text":"x"}]}})",
         "$.content.raw[0].block"},
        {R"({"name":"n","family":"mifare_classic","chips":["MIFARE_CLASSIC_1K"],
            "serial":{"width":4},"content":{"ndef":[{"type":"uri","uri":"x"}]}})",
         "$.content.ndef"},
        {R"({"name":"n","family":"mifare_classic","chips":["MIFARE_CLASSIC_1K"],
            "serial":{"width":4},"content":{"raw":[{"sector":1,"block":0,"text":"x"}]},
            "mifare_classic":{"sectors":[{"sector":1,"key_a":"FFFFFFFFFFFF",
              "key_b":"FFFFFFFFFFFF","access":[0,0,0,8]}]}})",
         "$.mifare_classic.sectors[0].access[3]"},
        {R"({"name":"n","family":"mifare_classic","chips":["MIFARE_CLASSIC_1K"],
            "serial":{"width":4},"content":{"raw":[{"sector":1,"block":0,"text":"x"}]},
            "mifare_classic":{"sectors":[{"sector":16,"key_a":"FFFFFFFFFFFF",
              "key_b":"FFFFFFFFFFFF","access":[0,0,0,1]}]}})",
         "$.mifare_classic.sectors[0].sector"},
        // ISO 15693: a lock range past the smallest chip, locks without lock_after_verify
        {R"({"name":"n","family":"iso15693","chips":["ICODE_SLIX2","ICODE_SLIX"],
            "serial":{"width":4},"content":{"raw":[{"block":0,"text":"x"}]},
            "lock_after_verify":true,"iso15693":{"lock_blocks":[{"first":0,"last":28}]}})",
         "$.iso15693.lock_blocks[0].last"},
        {R"({"name":"n","family":"iso15693","chips":["ICODE_SLIX"],
            "serial":{"width":4},"content":{"raw":[{"block":0,"text":"x"}]},
            "iso15693":{"afi":3,"lock_afi":true}})",
         "$.lock_after_verify"},
        {R"({"name":"n","family":"iso15693","chips":["ICODE_SLIX"],
            "serial":{"width":4},"content":{"raw":[{"block":0,"text":"x"}]},
            "lock_after_verify":true,"iso15693":{"lock_dsfid":true}})",
         "$.iso15693.lock_dsfid"},
        {"{\"name\": ", "$"},
        {"[]", "$"},
    };
    for (const auto& c : cases) {
        JobLoad load = ParseJob(c.text);
        EXPECT_FALSE(load.ok) << c.text;
        EXPECT_EQ(load.path, c.path) << load.error;
    }
}

TEST(Job, UnreadableOrOversizedFileIsRefused) {
    std::string big = std::filesystem::temp_directory_path() / "vorex-big-job.json";
    {
        std::ofstream out(big);
        out << "{\"name\": \"" << std::string(2 << 20, 'x') << "\"}";
    }
    for (const std::string file : {"/nonexistent/job.json", "/tmp", big.c_str()}) {
        JobLoad load = LoadJobFile(file);
        EXPECT_FALSE(load.ok) << file;
        EXPECT_EQ(load.error.rfind(file + ": ", 0), 0u) << load.error;
    }
    std::filesystem::remove(big);
}

} // namespace
