#include "NSData_Encryption.h"

#include <QFile>
#include <QSaveFile>

#include <array>
#include <cstdlib>
#include <vector>

namespace vantrel::waypoints {

namespace {
constexpr qsizetype kTableSize = 256;
}

QByteArray dataWithContentsOfEncryptedFile(const QString& path, bool* ok) {
    if (ok) *ok = false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QByteArray raw = file.readAll();
    if (raw.size() < kTableSize) return {};

    const auto* bytes = reinterpret_cast<const unsigned char*>(raw.constData());
    std::array<unsigned char, 256> inverse{};
    for (int i = 0; i < 256; ++i) inverse[bytes[i]] = static_cast<unsigned char>(i);

    QByteArray out(raw.size() - kTableSize, Qt::Uninitialized);
    auto* dst = reinterpret_cast<unsigned char*>(out.data());
    const unsigned char* src = bytes + kTableSize;
    for (qsizetype j = 0, n = out.size(); j < n; ++j) dst[j] = inverse[src[j]];
    if (ok) *ok = true;
    return out;
}

QByteArray drawSubstitutionTable() {
    // The pool holds the values not drawn yet, in ascending order. The pick index is taken modulo
    // (pool size - 1), so the last value, 255, is never picked before the final draw: T[255] = 255.
    std::vector<unsigned char> pool(256);
    for (int v = 0; v < 256; ++v) pool[static_cast<size_t>(v)] = static_cast<unsigned char>(v);
    QByteArray table(kTableSize, Qt::Uninitialized);
    for (int i = 0; i < 256; ++i) {
        size_t m = pool.size();
        size_t k = m > 1 ? static_cast<unsigned>(std::rand()) % (m - 1) : 0;
        table[i] = static_cast<char>(pool[k]);
        pool.erase(pool.begin() + static_cast<ptrdiff_t>(k));
    }
    return table;
}

bool writeToEncryptedFile(const QByteArray& data, const QString& path) {
    QByteArray table = drawSubstitutionTable();
    QByteArray out(kTableSize + data.size(), Qt::Uninitialized);
    std::copy(table.cbegin(), table.cend(), out.begin());
    const auto* t = reinterpret_cast<const unsigned char*>(table.constData());
    const auto* src = reinterpret_cast<const unsigned char*>(data.constData());
    auto* dst = reinterpret_cast<unsigned char*>(out.data()) + kTableSize;
    for (qsizetype i = 0, n = data.size(); i < n; ++i) dst[i] = t[src[i]];

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (file.write(out) != out.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

}  // namespace vantrel::waypoints
