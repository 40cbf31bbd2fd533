// Numbers of the errors the database layer raises itself, as the old
// provider numbered them, so that reports read the same whichever part of
// the layer finds the fault.
#pragma once

namespace zl::provider_error {

constexpr int kFileExists = 3012;
constexpr int kNoCurrentRecord = 3021;
constexpr int kNoSuchTable = 3078;
constexpr int kNoSuchItem = 3265;  // a field, by name or position
constexpr int kUnrecognizedFormat = 3343;
constexpr int kOverflow = 3349;
constexpr int kTypeMismatch = 3464;
constexpr int kClosed = 3704;
constexpr int kAlreadyOpen = 3705;
constexpr int kRowGone = -2147217864;

}  // namespace zl::provider_error
