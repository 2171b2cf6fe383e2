#pragma once
// A data table's columns in one line: lmrtest::columns<QString, int>({"name", "count"}).

#include <QTest>

#include <array>

namespace lmrtest {

template <typename... T>
void columns(const std::array<const char *, sizeof...(T)> &names)
{
    size_t i = 0;
    (QTest::addColumn<T>(names[i++]), ...);
}

} // namespace lmrtest
