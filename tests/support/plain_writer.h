#pragma once
// The writer's plain way, the reference of its differential test: each
// object's members sorted in a vector of their own, each byte escaped on its
// own, each piece appended to the text. Its texts are what to_compact and
// to_pretty give.

#include <boost/json/value.hpp>

#include <string>

namespace vemba_test {

std::string plain_compact(const boost::json::value& v);
std::string plain_pretty(const boost::json::value& v);

}  // namespace vemba_test
