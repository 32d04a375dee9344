#pragma once

#include "util/PrintableText.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdint>
#include <set>
#include <span>
#include <string>
#include <string_view>

namespace vlk {

// Reads the JSON with the path of every value at hand, so that the first fault found names it.
class JsonReader {
public:
    using json = nlohmann::json;

    [[nodiscard]] const std::string& Error() const { return m_error; }

    bool Fail(const std::string& path, const std::string& what)
    {
        m_error = path + ": " + what;
        return false;
    }

    // An object whose keys are all among `known`.
    bool Object(const json& j, const std::string& path, std::initializer_list<std::string_view> known)
    {
        return Object(j, path, std::span<const std::string_view>(known.begin(), known.size()));
    }
    bool Object(const json& j, const std::string& path, std::span<const std::string_view> known)
    {
        if (!j.is_object())
            return Fail(path, "ожидается объект");
        for (const auto& item : j.items()) {
            if (std::find(known.begin(), known.end(), item.key()) == known.end())
                return Fail(Join(path, Excerpt(item.key())), "неизвестное поле");
        }
        return true;
    }

    bool Int(const json& j, const std::string& path, int low, int high, int& value)
    {
        if (!j.is_number_integer())
            return Fail(path, "ожидается целое число " + Range(low, high) + ", найдено " + Shown(j));
        if (j.is_number_unsigned() && j.get<std::uint64_t>() > static_cast<std::uint64_t>(high))
            return Fail(path, "значение " + std::to_string(j.get<std::uint64_t>()) + " вне " + Range(low, high));
        const auto v = j.get<std::int64_t>();
        if (v < low || v > high)
            return Fail(path, "значение " + std::to_string(v) + " вне " + Range(low, high));
        value = static_cast<int>(v);
        return true;
    }

    bool Byte(const json& j, const std::string& path, std::uint8_t& value)
    {
        int v = 0;
        if (!Int(j, path, 0, 255, v))
            return false;
        value = static_cast<std::uint8_t>(v);
        return true;
    }

    template <std::size_t N>
    bool ByteArray(const json& j, const std::string& path, std::array<std::uint8_t, N>& values)
    {
        if (!j.is_array() || j.size() != N)
            return Fail(path, "ожидается массив из " + std::to_string(N) + " чисел 0..255");
        for (std::size_t i = 0; i < N; ++i)
            if (!Byte(j[i], Index(path, i), values[i]))
                return false;
        return true;
    }

    // A list of distinct numbers 1..count, as a bit mask.
    template <typename Mask>
    bool Set(const json& j, const std::string& path, int count, Mask& mask)
    {
        if (!j.is_array())
            return Fail(path, "ожидается массив номеров 1.." + std::to_string(count));
        mask = 0;
        for (std::size_t i = 0; i < j.size(); ++i) {
            int n = 0;
            if (!Int(j[i], Index(path, i), 1, count, n))
                return false;
            const Mask bit = Mask{1} << (n - 1);
            if (mask & bit)
                return Fail(Index(path, i), "номер " + std::to_string(n) + " повторяется");
            mask |= bit;
        }
        return true;
    }

    // An array of objects, each naming its own number 1..count in `key`, each number at most once.
    // `each` reads one entry given its number.
    template <typename Each>
    bool Numbered(const json& j, const std::string& path, const char* key, int count, Each each)
    {
        if (!j.is_array())
            return Fail(path, "ожидается массив объектов");
        std::set<int> seen;
        for (std::size_t i = 0; i < j.size(); ++i) {
            const std::string at = Index(path, i);
            if (!j[i].is_object())
                return Fail(at, "ожидается объект");
            if (!j[i].contains(key))
                return Fail(at, std::string("нет поля ") + key);
            int n = 0;
            if (!Int(j[i][key], Join(at, key), 1, count, n))
                return false;
            if (!seen.insert(n).second)
                return Fail(Join(at, key), "номер " + std::to_string(n) + " повторяется");
            if (!each(j[i], at, n))
                return false;
        }
        return true;
    }

    static std::string Join(const std::string& path, std::string_view key)
    {
        return path.empty() ? std::string(key) : path + "." + std::string(key);
    }
    static std::string Index(const std::string& path, std::size_t i)
    {
        return path + "[" + std::to_string(i) + "]";
    }

private:
    static std::string Range(int low, int high)
    {
        return std::to_string(low) + ".." + std::to_string(high);
    }
    static std::string Shown(const json& j)
    {
        return Excerpt(j.dump(-1, ' ', false, json::error_handler_t::replace));
    }

    std::string m_error;
};

} // namespace vlk
