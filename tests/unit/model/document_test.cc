#include "project_io/model/document.h"

#include "support/fixture.h"

#include <gtest/gtest.h>

namespace vemba_core::project_io {
namespace {

using vemba_test::doc;

TEST(Normalize, SuppliesArraysAndName) {
  struct Case {
    const char* name;
    const char* in;
    const char* out;
  };
  const Case cases[] = {
      {"empty object", "{}",
       R"({"bindings":[],"documents":[],"edges":[],"groups":[],"images":[],"links":[],"mediaShelf":[],"name":"Untitled project","nodes":[],"videoEmbeds":[]})"},
      {"null", "null",
       R"({"bindings":[],"documents":[],"edges":[],"groups":[],"images":[],"links":[],"mediaShelf":[],"name":"Untitled project","nodes":[],"videoEmbeds":[]})"},
      {"wrong kinds replaced, unknown kept",
       R"({"nodes":{"a":1},"edges":"x","name":5,"extra":{"k":[1,2.5]},"images":[{"id":"i"}]})",
       R"({"bindings":[],"documents":[],"edges":[],"extra":{"k":[1,2.5]},"groups":[],"images":[{"id":"i"}],"links":[],"mediaShelf":[],"name":"Untitled project","nodes":[],"videoEmbeds":[]})"},
      {"empty name stays", R"({"name":""})",
       R"({"bindings":[],"documents":[],"edges":[],"groups":[],"images":[],"links":[],"mediaShelf":[],"name":"","nodes":[],"videoEmbeds":[]})"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    json::value d = doc(c.in);
    ASSERT_TRUE(normalize(d));
    EXPECT_EQ(to_compact(d), c.out);
  }
}

TEST(Normalize, RefusesNonObjectTopLevel) {
  for (const char* text : {"[]", "\"text\"", "5", "true"}) {
    SCOPED_TRACE(text);
    json::value d = doc(text);
    EXPECT_FALSE(normalize(d));
  }
}

TEST(NewDocument, DefaultsAndNumberKinds) {
  EXPECT_EQ(
      to_compact(new_document("Film", "ctx")),
      R"({"context":"ctx","documents":[],"edges":[],"groups":[],"images":[],"links":[],"mediaShelf":[],"name":"Film","nodes":[],"numberingMode":"auto","schemaVersion":1,"templateId":"blank","theme":{"color":"#CC8E78","mode":"light"},"videoEmbeds":[],"view":{"panX":0,"panY":0,"zoom":1}})");
}

TEST(NextUid, ScansTheDocument) {
  struct Case {
    const char* name;
    const char* doc;
    std::uint64_t next;
  };
  const Case cases[] = {
      {"empty", "{}", 201},
      {"below the floor", R"({"nodes":[{"id":"n57"}]})", 201},
      {"largest wins, prefix ignored", R"({"groups":[{"id":"g5"},{"id":"g300"}],"nodes":[{"id":"x900"}]})", 901},
      {"first digit run only", R"({"nodes":[{"id":"g12a34"},{"id":"abc"},{"id":5000}]})", 201},
      {"leading zeros", R"({"nodes":[{"id":"n000250"}]})", 251},
      {"media id", R"({"images":[{"id":"img-2024-01"}]})", 2025},
      {"edges never read", R"({"edges":[{"id":"e999","from":"n998"}]})", 201},
      {"scenes and plan elements",
       R"({"nodes":[{"id":"n1","scenes":[{"id":"sc450"}],"plan":{"elements":[{"id":"e460"}]}}]})", 461},
      {"shots", R"({"nodes":[{"shots":[{"id":"sh300"}]}]})", 301},
      {"every top-level array",
       R"({"links":[{"id":"l210"}],"videoEmbeds":[{"id":"vid211"}],"documents":[{"id":"d212"}],"mediaShelf":[{"id":"m213"}],"bindings":[{"id":"b214"}]})",
       215},
      {"run beyond 64 bits counts nothing", R"({"nodes":[{"id":"n18446744073709551616x5"},{"id":"n300"}]})", 301},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(next_uid(doc(c.doc)), c.next);
    EXPECT_EQ(UidCounter(doc(c.doc)).next(), c.next);
  }
}

TEST(NextUid, TopOfRangeNeverRepeatsAnId) {
  // An id already holds the largest number: the counter falls back to the
  // smallest number from 201 up that no id uses.
  json::value d = doc(R"({"nodes":[{"id":"n0018446744073709551615"},{"id":"n201"},{"id":"g202"}]})");
  EXPECT_EQ(next_uid(d), 203u);
}

TEST(UidSequence, GivesWhatAFreshScanGivesAfterEachNewId) {
  const char* starts[] = {
      R"({"nodes":[]})",
      R"({"nodes":[{"id":"n900"}]})",
      R"({"nodes":[{"id":"n18446744073709551612"},{"id":"x202"}]})",
      R"({"nodes":[{"id":"n18446744073709551615"},{"id":"n201"},{"id":"g203"}]})",
  };
  for (const char* start : starts) {
    SCOPED_TRACE(start);
    json::value d = doc(start);
    UidSequence sequence;
    for (int i = 0; i < 6; ++i) {
      const std::uint64_t fresh = next_uid(d);
      const std::uint64_t counted = sequence.next(d);
      ASSERT_EQ(counted, fresh);
      d.as_object()["nodes"].as_array().push_back(json::object{{"id", "sc" + std::to_string(counted)}});
    }
  }
}

}  // namespace
}  // namespace vemba_core::project_io
