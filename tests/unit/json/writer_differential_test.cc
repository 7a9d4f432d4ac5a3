// The writer against its plain way (tests/support/plain_writer.h) on seeded
// random documents: the members in order written straight from the object,
// strings scanned and copied a word at a time, one growing buffer.

#include "project_io/json/json.h"

#include "support/plain_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <limits>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace vemba_core::project_io {
namespace {

using vemba_test::plain_compact;
using vemba_test::plain_pretty;

// Keys that share starts of every length around a word, differ only in case,
// past the eighth byte or in their last byte, hold escapes, NUL or non-ASCII.
const std::string kKeys[] = {"",
                             "a",
                             "ab",
                             "abcdefg",
                             "abcdefgh",
                             "abcdefgi",
                             "abcdefghi",
                             std::string("abcdefgh\0", 9),
                             "abcdefgh\x01",
                             "abcdefghij",
                             "renderedH",
                             "renderedW",
                             "renderedWx",
                             "id",
                             "ID",
                             "Id",
                             "w",
                             "h",
                             "measured",
                             "\xC3\xA9",
                             "e\xCC\x81",
                             "\x7F",
                             "\xFF",
                             std::string("\0", 1),
                             std::string("a\0b", 3),
                             "a\"b",
                             "a\\b",
                             "a\nb",
                             "zzzzzzzzzzzzzzzzz"};

// What a document is made of; raw engine output only, so that every
// standard library gives the same documents.
class Documents {
 public:
  explicit Documents(std::uint64_t seed) : rng_(seed) {}

  json::value document() {
    // Now and then a chain nested far deeper than the rest.
    if (pick(40) == 0) {
      json::value v = scalar();
      for (std::uint64_t i = 0, n = 30 + pick(100); i < n; ++i)
        v = pick(2) ? json::value(json::array{v}) : json::value(json::object{{key(), v}});
      return v;
    }
    return value(0);
  }

  json::value value(int depth) {
    const std::uint64_t roll = pick(100);
    if (depth < 6 && roll < 20) return object(depth);
    if (depth < 6 && roll < 34) {
      json::array a;
      for (std::uint64_t i = 0, n = pick(7); i < n; ++i) a.push_back(value(depth + 1));
      return a;
    }
    return scalar();
  }

  // Members inserted in key order about half the time, else as they come.
  json::value object(int depth) {
    std::vector<std::string> keys;
    for (std::uint64_t i = 0, n = pick(13); i < n; ++i) keys.push_back(key());
    if (pick(2)) std::sort(keys.begin(), keys.end());
    json::object o;
    for (const std::string& k : keys) o[k] = value(depth + 1);
    return o;
  }

  json::value scalar() {
    switch (pick(8)) {
      case 0:
        return nullptr;
      case 1:
        return pick(2) == 1;
      case 2:
        return integer();
      case 3:
      case 4:
        return number();
      default:
        return json::string(text());
    }
  }

  std::string key() { return pick(2) ? kKeys[pick(std::size(kKeys))] : text(pick(13)); }

  std::string text() {
    const std::uint64_t roll = pick(100);
    return text(roll < 75 ? pick(25) : roll < 99 ? 25 + pick(56) : 200 + pick(1000));
  }

  // Plain bytes, escapes (every control character, quote, backslash),
  // UTF-8 sequences and raw bytes from 0x7F up, at any offset.
  std::string text(std::uint64_t size) {
    static const std::string kUtf8[] = {"\xC3\xA9", "\xE2\x80\x94", "\xF0\x9F\x98\x80", "\xC2\xA0"};
    std::string s;
    while (s.size() < size) {
      const std::uint64_t roll = pick(100);
      if (roll < 72)
        s += static_cast<char>("abcdefghij XYZ/0189.,:"[pick(22)]);
      else if (roll < 84)
        s += escaped_byte();
      else if (roll < 94)
        s += kUtf8[pick(std::size(kUtf8))];
      else
        s += static_cast<char>(0x7F + pick(0x81));
    }
    return s;
  }

  char escaped_byte() {
    const std::uint64_t b = pick(34);
    return static_cast<char>(b < 32 ? b : b == 32 ? '"' : '\\');
  }

  json::value integer() {
    switch (pick(4)) {
      case 0:
        return static_cast<std::int64_t>(pick(2001)) - 1000;
      case 1:
        return static_cast<std::int64_t>(rng_());
      case 2:
        return pick(2) ? std::numeric_limits<std::int64_t>::min() : std::numeric_limits<std::int64_t>::max();
      default:
        return std::uint64_t{1} << 63 | rng_();
    }
  }

  // Every written form: positional with and without a fraction, either side
  // of 1e-5 and 1e16, exponents of both signs, zeros of both signs, and
  // non-finite values (written as null), besides any bit pattern.
  double number() {
    static const double kEdges[] = {0.0,
                                    -0.0,
                                    1e-5,
                                    1e16,
                                    120.0,
                                    -40.0,
                                    0.5,
                                    1e300,
                                    1e-300,
                                    4.9e-324,
                                    std::numeric_limits<double>::max(),
                                    std::numeric_limits<double>::infinity(),
                                    -std::numeric_limits<double>::infinity(),
                                    std::numeric_limits<double>::quiet_NaN()};
    switch (pick(5)) {
      case 0:
        return kEdges[pick(std::size(kEdges))];
      case 1: {
        const double edge = pick(2) ? 1e-5 : 1e16;
        return std::nextafter(edge, pick(2) ? 0.0 : 1e300) * (pick(2) ? 1 : -1);
      }
      case 2:
        return static_cast<double>(static_cast<std::int64_t>(pick(2000001)) - 1000000) / 8;
      case 3:
        return static_cast<double>(static_cast<std::int64_t>(rng_() >> pick(64)));
      default:
        return std::bit_cast<double>(rng_());
    }
  }

  std::uint64_t pick(std::uint64_t n) { return rng_() % n; }

 private:
  std::mt19937_64 rng_;
};

// Levels of arrays and objects: a scalar nests 0, `[]` 1.
std::size_t nesting(const json::value& v) {
  std::size_t inner = 0;
  if (const json::object* o = v.if_object())
    for (const auto& kv : *o) inner = std::max(inner, nesting(kv.value()));
  else if (const json::array* a = v.if_array())
    for (const json::value& e : *a) inner = std::max(inner, nesting(e));
  else
    return 0;
  return inner + 1;
}

// Where two texts part, with a little of each around it.
std::string parting(const std::string& got, const std::string& want) {
  const std::size_t at = std::mismatch(got.begin(), got.end(), want.begin(), want.end()).first - got.begin();
  const std::size_t from = at < 20 ? 0 : at - 20;
  return "at byte " + std::to_string(at) + ": got ..." + got.substr(from, 60) + "... want ..." + want.substr(from, 60) +
         "...";
}

constexpr std::uint64_t kSeed = 0x5eed2301;
constexpr int kDocuments = 3000;

TEST(FastWriter, BothFormsAsThePlainWriterOnRandomDocuments) {
  Documents make(kSeed);
  for (int i = 0; i < kDocuments; ++i) {
    const json::value doc = make.document();
    const std::string pretty = plain_pretty(doc);
    const std::string compact = plain_compact(doc);
    const std::string got_pretty = to_pretty(doc), got_compact = to_compact(doc);
    ASSERT_TRUE(got_pretty == pretty) << "document " << i << " pretty " << parting(got_pretty, pretty);
    ASSERT_TRUE(got_compact == compact) << "document " << i << " compact " << parting(got_compact, compact);
    // Within the limit of nesting or just past it, with a reserve that is
    // none, short or enough.
    const std::size_t levels = nesting(doc) - make.pick(2);
    const std::size_t reserve = make.pick(3) * pretty.size() / 2;
    const std::optional<std::string> document = to_pretty_document(doc, levels, reserve);
    ASSERT_EQ(document.has_value(), nesting(doc) <= levels) << "document " << i;
    if (document) {
      ASSERT_TRUE(*document == pretty) << "document " << i << " " << parting(*document, pretty);
    }
  }
}

// Overlays on random objects, the writer's merge of an object's members with
// its overlay's against the plain text of a copy with the members set.
TEST(FastWriter, OverlaidAsThePlainWriterWritesTheCopyWithTheMembersSet) {
  Documents make(kSeed + 1);
  const auto objects_of = [](json::value& root) {
    std::vector<json::value*> found;
    std::vector<json::value*> todo = {&root};
    while (!todo.empty()) {
      json::value* v = todo.back();
      todo.pop_back();
      if (json::object* o = v->if_object()) {
        found.push_back(v);
        for (auto it = o->end(); it != o->begin();) todo.push_back(&(--it)->value());
      } else if (json::array* a = v->if_array()) {
        for (auto it = a->end(); it != a->begin();) todo.push_back(&*--it);
      }
    }
    return found;  // parents before their members
  };
  for (int i = 0; i < kDocuments / 3; ++i) {
    json::value doc = make.document();
    json::value copy = doc;
    const std::vector<json::value*> originals = objects_of(doc), copies = objects_of(copy);
    ASSERT_EQ(originals.size(), copies.size());
    std::vector<json::object> overlays(originals.size());
    std::map<const json::value*, const json::object*> overlay_of;
    for (std::size_t k = 0; k < originals.size(); ++k) {
      if (make.pick(3) != 0) continue;
      const json::object& own = originals[k]->get_object();
      for (std::uint64_t m = 0, n = make.pick(5); m < n; ++m) {
        // A member of its own replaced, or one of any key added.
        const std::string key =
            !own.empty() && make.pick(2) ? std::string(own.begin()[make.pick(own.size())].key()) : make.key();
        overlays[k][key] = make.value(5);
      }
      overlay_of[originals[k]] = &overlays[k];
    }
    // Members last: an object that an overlay replaces takes its own overlay with it.
    for (std::size_t k = copies.size(); k-- > 0;)
      if (overlay_of.count(originals[k]))
        for (const auto& kv : overlays[k]) copies[k]->get_object()[kv.key()] = kv.value();
    const Overlay overlay = [&](const json::value& object) -> const json::object* {
      const auto it = overlay_of.find(&object);
      return it == overlay_of.end() ? nullptr : it->second;
    };
    const std::string got = to_pretty_overlaid(doc, overlay, make.pick(2) * 4096), want = plain_pretty(copy);
    ASSERT_TRUE(got == want) << "document " << i << " " << parting(got, want);
  }
}

// Two escapes at every pair of offsets in texts across four words, as values
// and as keys: a word with an escape is stored whole and written again from it.
TEST(FastWriter, TwoEscapesAtEveryPairOfOffsets) {
  const char kEscapes[] = {'"', '\\', '\n', '\x01', '\x1f', '\t'};
  std::size_t kind = 0;
  for (std::size_t size = 1; size <= 33; ++size)
    for (std::size_t a = 0; a < size; ++a)
      for (std::size_t b = a; b < size; ++b) {
        std::string s(size, 'q');
        s[a] = kEscapes[kind++ % std::size(kEscapes)];
        s[b] = kEscapes[kind++ % std::size(kEscapes)];
        const json::value doc = json::object{{s, json::array{json::string(s), json::string(s.substr(a))}}};
        ASSERT_EQ(to_compact(doc), plain_compact(doc)) << size << " " << a << " " << b;
      }
}

}  // namespace
}  // namespace vemba_core::project_io
