// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "store/condition.h"
#include "store/condition_list.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace sv::testing {

// A condition made by the editor's packing, so that its texts are what the program stores.
inline TSortCondition Packed(const TConditionFields& fields) {
    TSortCondition out;
    const Status s = ComposeCondition(fields, out);
    EXPECT_TRUE(s.ok()) << s.error();
    return out;
}

inline TSortCondition Simple(std::string_view keywords, std::string_view dest = "\\d\\out") {
    TConditionFields f;
    f.keywords = keywords;
    f.destFolder = dest;
    return Packed(f);
}

inline TConditionList Table(const std::vector<TSortCondition>& conditions) {
    TConditionList list;
    for (std::size_t i = 0; i < conditions.size(); ++i)
        list.Put(static_cast<int>(i), conditions[i]);
    return list;
}

inline std::vector<std::string> KeywordsOf(const TConditionList& list) {
    std::vector<std::string> out;
    for (int i = 0; i < list.Count(); ++i)
        out.push_back(Keywords(list.At(i).keywordText));
    return out;
}

// The three header lines as the export writes them, code page 932 with CR LF.
std::string CsvHeaderBytes();

// A file of the header lines and these rows (UTF-8, each encoded), CR LF after each.
std::string CsvFile(const std::vector<std::string>& rows);

// A full row of 28 valid fields with one field replaced (column numbers from 1).
std::string RowWith(int column, std::string_view value);

} // namespace sv::testing
