#include "e2e/document_fixtures.h"
#include "e2e/project_fixture.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

namespace vemba_test {
namespace {

// Stand-ins that log their arguments. mdls prints mdls.<n> on its n-th run,
// mdls.err to standard error first, and exits with mdls.status.
constexpr std::string_view kFakeMdls = R"sh(#!/bin/sh
dir=$(dirname "$0")
n=$(( $(cat "$dir/mdls.count" 2>/dev/null || echo 0) + 1 ))
echo "$n" >"$dir/mdls.count"
{ printf mdls; for a in "$@"; do printf ' [%s]' "$a"; done; echo; } >>"$dir/calls.log"
[ -f "$dir/mdls.err" ] && cat "$dir/mdls.err" >&2
[ -f "$dir/mdls.$n" ] && cat "$dir/mdls.$n"
exit "$(cat "$dir/mdls.status" 2>/dev/null || echo 0)"
)sh";
constexpr std::string_view kFakeMdimport = R"sh(#!/bin/sh
dir=$(dirname "$0")
{ printf mdimport; for a in "$@"; do printf ' [%s]' "$a"; done; echo; } >>"$dir/calls.log"
cat >"$dir/mdimport.stdin"
)sh";

constexpr std::string_view kState = R"({"name": "Film",
  "documents": [
    {"id": "pdf", "src": "report.pdf"}, {"id": "shared", "src": 5}, {"id": "notes", "src": "some/dir\\notes.TXT"},
    {"id": "dot", "src": ".md"}, {"id": "slash", "src": "folder/"}, {"id": "missing", "src": "gone.pdf"},
    {"id": "bad", "src": "bad.txt"}, {"id": "long", "src": "long.md"}, {"id": "twice", "src": null},
    {"id": "twice", "src": "report.pdf"}, {"id": "rtf", "src": "story.rtf"}, {"id": "docx", "src": "story.docx"},
    {"id": "real", "src": "real.pdf"}, {"id": "cut", "src": "report.pdf\u0000.pdf"}],
  "nodes": [{"id": "n1", "documents": [{"id": "shared", "src": "card.txt"}]}, {"id": "n2", "documents": "x"}]})";

std::string repeat(std::string_view piece, std::size_t n) {
  std::string out;
  for (std::size_t i = 0; i < n; ++i) out += piece;
  return out;
}

// Made before the session, whose PATH names it.
struct FakeTools {
  TempDir fake_;
};

class ReadDocument : protected FakeTools, public FilmProject {
 protected:
  explicit ReadDocument(bool fake_tools = true)
      : FilmProject(kState, fake_tools ? std::vector<std::string>{"PATH=" + fake_.path().string() + ":/usr/bin:/bin"}
                                       : std::vector<std::string>{}) {
    write_script(fake_ / "mdls", kFakeMdls);
    write_script(fake_ / "mdimport", kFakeMdimport);
    asset("report.pdf", "%PDF-1.4 not really");
    asset("notes.TXT", "\n\n  Hello notes\n");
    asset("card.txt", "from the card");
    asset(".md", "# dot");
    asset("bad.txt", "ab\xFF");
    asset("long.md", repeat("\xC3\xA9", 60000));
    fs::create_directories(folder_ / "assets" / "folder");
  }
  ToolReply read(json::value doc_id) {
    json::object args;
    if (!doc_id.is_null()) args["docId"] = doc_id;
    return call("read_document", std::move(args));
  }
  std::string log() const { return slurp(fake_ / "calls.log"); }
  std::string mdls_line(std::string_view asset_name) const {
    return "mdls [-name] [kMDItemTextContent] [-raw] [" + (folder_ / "assets" / std::string(asset_name)).string() +
           "]\n";
  }
  std::string mdimport_line(std::string_view asset_name) const {
    return "mdimport [" + (folder_ / "assets" / std::string(asset_name)).string() + "]\n";
  }
  void reset() {
    for (const char* name :
         {"calls.log", "mdls.count", "mdls.1", "mdls.2", "mdls.err", "mdls.status", "mdimport.stdin"})
      fs::remove(fake_ / name);
  }
};

TEST_F(ReadDocument, TextFilesAreReadDirectly) {
  struct Case {
    json::value id;  // null: not given
    std::string reply;
    bool error;
  };
  const Case cases[] = {
      {"notes", "\n\n  Hello notes\n", false},  // capital extension, folders in src, not trimmed
      {"shared", "from the card", false},       // the first array's src is not a text
      {"long", repeat("\xC3\xA9", 50000), false},
      {"bad", could_not("bad"), true},
      {"slash", could_not("slash"), true},
      {"missing", could_not("missing"), true},
      // Cut at its NUL the name would have Spotlight read report.pdf.
      {"cut", could_not("cut"), true},
      {"twice", "document not found: twice", true},
      {"nothing", "document not found: nothing", true},
      {nullptr, "document not found: ", true},
      {5, "document not found: ", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reply.substr(0, 40));
    reset();
    ToolReply r = read(c.id);
    EXPECT_EQ(r.is_error(), c.error);
    EXPECT_EQ(r.text(), c.reply);
    EXPECT_EQ(log(), "");
  }
}

TEST_F(ReadDocument, AsksSpotlightThenIndexesOnce) {
  struct Case {
    const char* name;
    std::string first, second;  // what mdls prints on its first and second run
    int status;
    std::string reply;
    bool error;
    bool indexed;  // mdimport and a second mdls ran
  };
  const Case cases[] = {
      {"indexed on demand", "(null)\n", "  Hello PDF \n\n", 0, "Hello PDF", false, true},
      {"known at once", std::string("Text\n\0\0", 7), "", 0, "Text", false, false},
      {"NULs before the line break stay", std::string("Text\0\0\n", 7), "", 0, std::string("Text\0\0", 6), false,
       false},
      {"blank both times", " \n\t", "(null)", 0, could_not("pdf"), true, true},
      {"nothing printed", "", "", 0, could_not("pdf"), true, true},
      {"failing status", "Some text", "Some text", 1, could_not("pdf"), true, true},
      {"capped", repeat("\xC3\xA9", 60000) + "\n", "", 0, repeat("\xC3\xA9", 50000), false, false},
      {"invalid UTF-8 replaced",
       "ab\xFF"
       "cd",
       "", 0,
       "ab\xEF\xBF\xBD"
       "cd",
       false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    reset();
    write_file(fake_ / "mdls.1", c.first);
    write_file(fake_ / "mdls.2", c.second);
    write_file(fake_ / "mdls.status", std::to_string(c.status));
    ToolReply r = read("pdf");
    EXPECT_EQ(r.is_error(), c.error);
    EXPECT_EQ(r.text(), c.reply);
    EXPECT_EQ(log(), c.indexed ? mdls_line("report.pdf") + mdimport_line("report.pdf") + mdls_line("report.pdf")
                               : mdls_line("report.pdf"));
    if (c.indexed) {
      EXPECT_EQ(slurp(fake_ / "mdimport.stdin"), "");
    }
  }
}

TEST_F(ReadDocument, ChattyErrorOutputAndDotNames) {
  reset();
  write_file(fake_ / "mdls.err", std::string(2'000'000, 'e'));
  write_file(fake_ / "mdls.1", "after the noise");
  EXPECT_EQ(read("pdf").text(), "after the noise");
  // A name that is only a dot and "md" has no extension.
  reset();
  write_file(fake_ / "mdls.1", "dot text");
  EXPECT_EQ(read("dot").text(), "dot text");
  EXPECT_EQ(log(), mdls_line(".md"));
  // The server still reads its own input afterwards.
  EXPECT_TRUE(s_.silent());
}

class StandInTools : public ReadDocument {
 protected:
  StandInTools() : ReadDocument(false) {}
};

TEST_F(StandInTools, ShowPlainFilesAndRefuseBinaryOnes) {
  asset("story.rtf", "{\\rtf1 Plain words}\n");
  asset("story.docx", std::string("PK\0\0binary", 10));
  EXPECT_EQ(read("rtf").text(), "{\\rtf1 Plain words}");
  EXPECT_EQ(read("docx").text(), could_not("docx"));
}

TEST_F(StandInTools, ReadPdfTextThroughPdftotext) {
  if (std::system("command -v pdftotext >/dev/null 2>&1") != 0) GTEST_SKIP() << "pdftotext is not installed";
  asset("real.pdf", tiny_pdf("Scene one"));
  EXPECT_EQ(read("real").text(), "Scene one");
}

}  // namespace
}  // namespace vemba_test
