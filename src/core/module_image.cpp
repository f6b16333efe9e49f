#include "core/module_image.h"

#include <QCryptographicHash>
#include <QtEndian>

namespace {

// Where the fields of the ELF header and of a program header lie, by class (32 or 64 bits).
struct ElfLayout
{
    int headerSize;
    int wordSize;
    int phoff, shoff, phentsize, phnum;
    // e_shentsize, e_shnum and e_shstrndx, two bytes each, one after the other.
    int sectionCounts;
    int phdrSize, pOffset, pFilesz;
};

constexpr ElfLayout kElf32{52, 4, 0x1C, 0x20, 0x2A, 0x2C, 0x2E, 32, 4, 16};
constexpr ElfLayout kElf64{64, 8, 0x20, 0x28, 0x36, 0x38, 0x3A, 56, 8, 32};
constexpr quint32 kLoadableSegment = 1; // PT_LOAD

// The unsigned field of size bytes (2, 4 or 8) at offset, which the caller has checked lies in
// the bytes.
quint64 field(const QByteArray& bytes, quint64 offset, int size, bool bigEndian)
{
    const uchar* p = reinterpret_cast<const uchar*>(bytes.constData()) + offset;
    switch (size) {
    case 2:
        return bigEndian ? qFromBigEndian<quint16>(p) : qFromLittleEndian<quint16>(p);
    case 4:
        return bigEndian ? qFromBigEndian<quint32>(p) : qFromLittleEndian<quint32>(p);
    default:
        return bigEndian ? qFromBigEndian<quint64>(p) : qFromLittleEndian<quint64>(p);
    }
}

bool inFile(quint64 offset, quint64 size, qsizetype fileSize)
{
    return offset <= quint64(fileSize) && size <= quint64(fileSize) - offset;
}

// Adds bytes [offset, offset + size) of the file, those of the header taken from header.
void addRange(QCryptographicHash& hash, const QByteArray& bytes, const QByteArray& header,
              quint64 offset, quint64 size)
{
    const quint64 end = offset + size;
    if (offset < quint64(header.size())) {
        const quint64 headerEnd = qMin(end, quint64(header.size()));
        hash.addData(
            QByteArrayView(header).sliced(qsizetype(offset), qsizetype(headerEnd - offset)));
        offset = headerEnd;
    }
    if (offset < end)
        hash.addData(QByteArrayView(bytes).sliced(qsizetype(offset), qsizetype(end - offset)));
}

QByteArray elfDigest(const QByteArray& bytes, const ElfLayout& elf, bool bigEndian)
{
    if (bytes.size() < elf.headerSize)
        return {};
    const quint64 phoff = field(bytes, elf.phoff, elf.wordSize, bigEndian);
    const quint64 phentsize = field(bytes, elf.phentsize, 2, bigEndian);
    const quint64 phnum = field(bytes, elf.phnum, 2, bigEndian);
    if (phentsize < quint64(elf.phdrSize) || !inFile(phoff, phentsize * phnum, bytes.size()))
        return {};

    // Strip moves the section headers and renumbers them, which the loader never reads.
    QByteArray header = bytes.left(elf.headerSize);
    header.replace(elf.shoff, elf.wordSize, QByteArray(elf.wordSize, '\0'));
    header.replace(elf.sectionCounts, 6, QByteArray(6, '\0'));

    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(header);
    addRange(hash, bytes, header, phoff, phentsize * phnum);
    for (quint64 entry = phoff; entry < phoff + phentsize * phnum; entry += phentsize) {
        if (field(bytes, entry, 4, bigEndian) != kLoadableSegment)
            continue;
        const quint64 offset = field(bytes, entry + elf.pOffset, elf.wordSize, bigEndian);
        const quint64 size = field(bytes, entry + elf.pFilesz, elf.wordSize, bigEndian);
        if (!inFile(offset, size, bytes.size()))
            return {};
        addRange(hash, bytes, header, offset, size);
    }
    return hash.result().toHex();
}

} // namespace

namespace module_image {

QByteArray digest(const QByteArray& contents)
{
    if (!contents.startsWith("\x7f"
                             "ELF"))
        return QCryptographicHash::hash(contents, QCryptographicHash::Sha256).toHex();
    const bool bigEndian = contents.size() > 5 && contents.at(5) == 2;
    switch (contents.size() > 4 ? contents.at(4) : 0) {
    case 1:
        return elfDigest(contents, kElf32, bigEndian);
    case 2:
        return elfDigest(contents, kElf64, bigEndian);
    default:
        return {};
    }
}

} // namespace module_image
