#pragma once
// The German text a rule's TextRef shows the operator: each value in its placeholder,
// every value used and no placeholder left.
#include "resources/strings/StringTable.h"
#include "workbench/common/TextRef.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

namespace vorex::wbtest {

inline std::string Shown(const wb::TextRef& ref) {
    std::string text = vorex::GermanString(ref.id);
    EXPECT_FALSE(text.empty()) << "no text for id " << ref.id;
    for (size_t i = 0; i < ref.args.size(); ++i) {
        const std::string mark = "%" + std::to_string(i + 1);
        EXPECT_NE(text.find(mark), std::string::npos) << ref.id << " does not use " << mark;
        for (size_t at; (at = text.find(mark)) != std::string::npos;)
            text.replace(at, mark.size(), ref.args[i]);
    }
    EXPECT_FALSE(std::regex_search(text, std::regex("%[0-9]"))) << ref.id << ": " << text;
    return text;
}

} // namespace vorex::wbtest
