// How a call's arguments and results cross the channel, for either end.
//
// The ends may differ in word size (a 64-bit client, a 32-bit server), so
// nothing on the wire has the width of a pointer or a size_t: a number goes
// as a 64-bit integer or a double, whatever its type, and is narrowed at the
// other end (an unsigned count too large for the 32-bit end becomes its
// largest value). The values a pointer refers to go as their bytes, with
// their element width, which the receiving end checks.
//
// Each parameter has a shape, from its type alone:
//   number   an arithmetic value, to the server
//   text     const char*: the characters (or none for a null pointer)
//   values   const T* followed by an integer count: that many T
//   slot     T*: Extent values sent with the call and brought back after it,
//            so a callee that writes nothing leaves the caller's as they were
//   name     const char**: the name the callee points it to, brought back
// A null pointer of any shape is passed on as a null pointer.
#ifndef KX4410_BRIDGE_WIRE_H
#define KX4410_BRIDGE_WIRE_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "calls.h"

namespace kxbridge {

// How many values a T* parameter refers to: one, unless said here.
template <uint32_t C, std::size_t Param>
struct Extent {
    static constexpr std::size_t value = 1;
};
template <>
struct Extent<kCall_kxsim_log_entry, 2> {  // double args[4]
    static constexpr std::size_t value = 4;
};
template <std::size_t Param>
struct Extent<kCall_kxsim_log_entries, Param> {  // ops, argCounts, args (4 each), results
    static constexpr std::size_t value = Param == 3 ? 4 * kLogBlock : kLogBlock;
};

// Where an end holds a slot's values while the call crosses: in place, or
// on the heap when they are many (a block of log entries), which no
// thread's stack need have room for.
template <class E, std::size_t N>
struct SlotValues {
    E values[N] = {};
    E* data() { return values; }
    const E* data() const { return values; }
};
template <class E, std::size_t N>
using SlotStore =
    std::conditional_t<(N * sizeof(E) <= 256), SlotValues<E, N>, std::vector<E>>;

template <class E, std::size_t N>
SlotStore<E, N> slotStore() {
    if constexpr (N * sizeof(E) <= 256)
        return SlotValues<E, N>{};
    else
        return std::vector<E>(N);
}

// Sequential writing into the payload; a write past its end fails the whole
// message (ok() turns false and stays so).
class Writer {
public:
    Writer(unsigned char* data, std::size_t capacity) : data_(data), capacity_(capacity) {}

    void bytes(const void* p, std::size_t n) {
        if (!ok_ || n > capacity_ - size_) {
            ok_ = false;
            return;
        }
        if (n > 0) std::memcpy(data_ + size_, p, n);
        size_ += n;
    }
    template <class T>
    void raw(T v) {
        bytes(&v, sizeof v);
    }
    void flag(bool on) { raw<uint8_t>(on ? 1 : 0); }
    void text(const char* s) {
        const std::size_t n = std::strlen(s);
        if (n > UINT32_MAX) {
            ok_ = false;
            return;
        }
        raw<uint32_t>(static_cast<uint32_t>(n));
        bytes(s, n);
    }
    template <class T>
    void number(T v);

    void fail() { ok_ = false; }
    bool ok() const { return ok_; }
    std::size_t size() const { return size_; }

private:
    unsigned char* data_;
    std::size_t capacity_;
    std::size_t size_ = 0;
    bool ok_ = true;
};

// Sequential reading; a read past the message's end fails it and yields zeros.
class Reader {
public:
    Reader(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}

    void bytes(void* p, std::size_t n) {
        if (!ok_ || n > size_ - at_) {
            ok_ = false;
            if (n > 0) std::memset(p, 0, n);
            return;
        }
        if (n > 0) std::memcpy(p, data_ + at_, n);
        at_ += n;
    }
    template <class T>
    T raw() {
        T v;
        bytes(&v, sizeof v);
        return v;
    }
    bool flag() { return raw<uint8_t>() != 0; }
    std::string text() {
        const uint32_t n = raw<uint32_t>();
        if (!ok_ || n > size_ - at_) {
            ok_ = false;
            return std::string();
        }
        std::string s(reinterpret_cast<const char*>(data_ + at_), n);
        at_ += n;
        return s;
    }
    // The element width the sender states must be the receiver's.
    bool width(std::size_t expected) {
        if (raw<uint32_t>() != expected) ok_ = false;
        return ok_;
    }
    std::size_t left() const { return size_ - at_; }
    template <class T>
    T number();

    void fail() { ok_ = false; }
    bool ok() const { return ok_; }
    bool done() const { return ok_ && at_ == size_; }

private:
    const unsigned char* data_;
    std::size_t size_;
    std::size_t at_ = 0;
    bool ok_ = true;
};

// A number's type on the wire.
template <class T>
using Wide = std::conditional_t<std::is_floating_point<T>::value, double,
                                std::conditional_t<std::is_signed<T>::value, int64_t, uint64_t>>;

template <class T>
void Writer::number(T v) {
    raw<Wide<T>>(static_cast<Wide<T>>(v));
}

template <class T>
T Reader::number() {
    const Wide<T> v = raw<Wide<T>>();
    if constexpr (std::is_integral<T>::value) {
        if (v > static_cast<Wide<T>>(std::numeric_limits<T>::max()))
            return std::numeric_limits<T>::max();
        if constexpr (std::is_signed<T>::value)
            if (v < static_cast<Wide<T>>(std::numeric_limits<T>::min()))
                return std::numeric_limits<T>::min();
    }
    return static_cast<T>(v);
}

enum class Shape { Number, Text, Values, Slot, Name };

template <class P>
constexpr Shape shapeOf() {
    if constexpr (std::is_arithmetic<P>::value) {
        return Shape::Number;
    } else {
        static_assert(std::is_pointer<P>::value, "a parameter is a number or a pointer");
        using E = std::remove_pointer_t<P>;
        if constexpr (std::is_same<P, const char*>::value) return Shape::Text;
        else if constexpr (std::is_same<P, const char**>::value) return Shape::Name;
        else {
            static_assert(std::is_arithmetic<std::remove_const_t<E>>::value,
                          "a pointer parameter refers to numbers");
            return std::is_const<E>::value ? Shape::Values : Shape::Slot;
        }
    }
}

// The static name that a name brought back stands for (the client's).
const char* staticName(const std::string& name);

// What the server holds for one parameter while it makes the call.
template <uint32_t C, std::size_t I, class P, Shape = shapeOf<P>()>
struct Held;

template <uint32_t C, std::size_t I, class P>
struct Held<C, I, P, Shape::Number> {
    P value{};
    void read(Reader& in) { value = in.number<P>(); }
    P get() { return value; }
    void reply(Writer&) const {}
};

template <uint32_t C, std::size_t I, class P>
struct Held<C, I, P, Shape::Text> {
    bool present = false;
    std::string value;
    void read(Reader& in) {
        present = in.flag();
        if (present) value = in.text();
    }
    const char* get() { return present ? value.c_str() : nullptr; }
    void reply(Writer&) const {}
};

template <uint32_t C, std::size_t I, class P>
struct Held<C, I, P, Shape::Values> {
    using E = std::remove_const_t<std::remove_pointer_t<P>>;
    bool present = false;
    std::vector<E> values;
    void read(Reader& in) {
        present = in.flag();
        if (!present || !in.width(sizeof(E))) return;
        const uint64_t n = in.raw<uint64_t>();
        if (n > in.left() / sizeof(E)) {
            in.fail();
            return;
        }
        values.resize(static_cast<std::size_t>(n));
        in.bytes(values.data(), values.size() * sizeof(E));
    }
    const E* get() {
        static const E none{};
        if (!present) return nullptr;
        return values.empty() ? &none : values.data();
    }
    void reply(Writer&) const {}
};

template <uint32_t C, std::size_t I, class P>
struct Held<C, I, P, Shape::Slot> {
    using E = std::remove_pointer_t<P>;
    static constexpr std::size_t n = Extent<C, I>::value;
    bool present = false;
    SlotStore<E, n> values = slotStore<E, n>();
    void read(Reader& in) {
        present = in.flag();
        if (present && in.width(sizeof(E))) in.bytes(values.data(), n * sizeof(E));
    }
    E* get() { return present ? values.data() : nullptr; }
    void reply(Writer& out) const {
        if (present) out.bytes(values.data(), n * sizeof(E));
    }
};

template <uint32_t C, std::size_t I, class P>
struct Held<C, I, P, Shape::Name> {
    bool present = false;
    const char* value = nullptr;
    void read(Reader& in) { present = in.flag(); }
    const char** get() { return present ? &value : nullptr; }
    // As for a slot, nothing for a null pointer: the client reads nothing then.
    void reply(Writer& out) const {
        if (!present) return;
        out.flag(value != nullptr);
        if (value != nullptr) out.text(value);
    }
};

// One call's messages: F is its plain function type, as the table writes
// it (result and parameters, no calling convention).
template <uint32_t C, class F>
struct Wire;

template <uint32_t C, class R, class... P>
struct Wire<C, R(P...)> {
    using Args = std::tuple<P...>;
    using Index = std::index_sequence_for<P...>;

    // Client: the request for these arguments.
    static void request(Writer& out, const Args& a) { requestAll(out, a, Index{}); }

    // Client: the server's result and slot and name values, into result
    // and the caller's pointers. False for a reply that does not parse.
    static bool answer(Reader& in, const Args& a, std::conditional_t<std::is_void<R>::value, int, R>& result) {
        if constexpr (!std::is_void<R>::value) result = in.number<R>();
        answerAll(in, a, Index{});
        return in.done();
    }

    // Server: reads a request, calls fn with it and writes the reply. False
    // for a request that does not parse; fn is not called then.
    template <class Fn>
    static bool serve(Fn fn, Reader& in, Writer& out) {
        return serveWith(fn, in, out, Index{});
    }

private:
    template <std::size_t... I>
    static void requestAll(Writer& out, const Args& a, std::index_sequence<I...>) {
        (requestOne<I>(out, a), ...);
    }

    template <std::size_t I>
    static void requestOne(Writer& out, const Args& a) {
        using T = std::tuple_element_t<I, Args>;
        const T v = std::get<I>(a);
        constexpr Shape shape = shapeOf<T>();
        if constexpr (shape == Shape::Number) {
            out.number(v);
        } else if constexpr (shape == Shape::Text) {
            out.flag(v != nullptr);
            if (v != nullptr) out.text(v);
        } else if constexpr (shape == Shape::Values) {
            static_assert(I + 1 < sizeof...(P), "a const T* parameter is followed by its count");
            using Count = std::tuple_element_t<I + 1, Args>;
            static_assert(std::is_integral<Count>::value, "a const T* parameter is followed by its count");
            using E = std::remove_const_t<std::remove_pointer_t<T>>;
            out.flag(v != nullptr);
            if (v == nullptr) return;
            const Count count = std::get<I + 1>(a);
            const uint64_t n = count > 0 ? static_cast<uint64_t>(count) : 0;
            out.raw<uint32_t>(sizeof(E));
            out.raw<uint64_t>(n);
            if (n > std::numeric_limits<std::size_t>::max() / sizeof(E)) {
                out.fail();
                return;
            }
            out.bytes(v, static_cast<std::size_t>(n) * sizeof(E));
        } else if constexpr (shape == Shape::Slot) {
            using E = std::remove_pointer_t<T>;
            out.flag(v != nullptr);
            if (v == nullptr) return;
            out.raw<uint32_t>(sizeof(E));
            out.bytes(v, Extent<C, I>::value * sizeof(E));
        } else {
            out.flag(v != nullptr);
        }
    }

    template <std::size_t... I>
    static void answerAll(Reader& in, const Args& a, std::index_sequence<I...>) {
        (answerOne<I>(in, a), ...);
    }

    template <std::size_t I>
    static void answerOne(Reader& in, const Args& a) {
        using T = std::tuple_element_t<I, Args>;
        const T v = std::get<I>(a);
        constexpr Shape shape = shapeOf<T>();
        if constexpr (shape == Shape::Slot) {
            using E = std::remove_pointer_t<T>;
            constexpr std::size_t n = Extent<C, I>::value;
            if (v == nullptr) return;
            SlotStore<E, n> values = slotStore<E, n>();
            in.bytes(values.data(), n * sizeof(E));
            if (in.ok()) std::memcpy(v, values.data(), n * sizeof(E));
        } else if constexpr (shape == Shape::Name) {
            if (v == nullptr || !in.flag()) return;
            const std::string name = in.text();
            if (in.ok()) *v = staticName(name);
        }
    }

    template <class Fn, std::size_t... I>
    static bool serveWith(Fn fn, Reader& in, Writer& out, std::index_sequence<I...>) {
        std::tuple<Held<C, I, P>...> held;
        (std::get<I>(held).read(in), ...);
        if (!in.done()) return false;
        if constexpr (std::is_void<R>::value) {
            fn(std::get<I>(held).get()...);
        } else {
            const R result = fn(std::get<I>(held).get()...);
            out.number(result);
        }
        (std::get<I>(held).reply(out), ...);
        return out.ok();
    }
};

}  // namespace kxbridge

#endif
