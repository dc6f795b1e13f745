#include "ui/resources/ico_file.h"

#include <QBuffer>
#include <QImageReader>

#include <gtest/gtest.h>

#include "ui/resources/image1.h"

namespace kavtra {
namespace {

TEST(IcoFile, HoldsEachGearAsDrawnReadBackByAnIconReader) {
    const QList<int> sizes{16, 32, 48, 256};
    QList<QImage> pictures;
    for (int size : sizes) pictures.append(drawGear(size));
    QByteArray bytes = icoFile(pictures);
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer, "ico");
    ASSERT_EQ(reader.imageCount(), sizes.size());
    for (qsizetype i = 0; i < sizes.size(); ++i) {
        SCOPED_TRACE(sizes[i]);
        ASSERT_TRUE(reader.jumpToImage(static_cast<int>(i)));
        const QImage read = reader.read();
        ASSERT_FALSE(read.isNull()) << reader.errorString().toStdString();
        EXPECT_EQ(read.convertToFormat(QImage::Format_ARGB32), pictures[i].convertToFormat(QImage::Format_ARGB32));
    }
}

}  // namespace
}  // namespace kavtra
