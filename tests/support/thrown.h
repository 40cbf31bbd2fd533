// The exception of type E an action throws, if any.
#pragma once

#include <optional>

namespace zl::test {

template <class E, class Action>
std::optional<E> Thrown(Action&& action) {
  try {
    action();
  } catch (const E& e) {
    return e;
  }
  return std::nullopt;
}

}  // namespace zl::test
