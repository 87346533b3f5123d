// The tests' holders of something outside the object (a folder, a machine, a variable's former
// value, a redirected output) derive from Uncopyable: a copy would give that thing back twice.
#pragma once

namespace testsupport {

class Uncopyable {
public:
    Uncopyable(const Uncopyable&) = delete;
    Uncopyable& operator=(const Uncopyable&) = delete;

protected:
    Uncopyable() = default;
    ~Uncopyable() = default;
};

}  // namespace testsupport
