// The survey file types a desktop learns from res/veltrane-mime.xml, looked
// up by Qt's MIME database in a scratch database that update-mime-database
// builds from the system's own types and ours, as an installation does; and
// the types the desktop entry opens.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kSource = QStringLiteral(VELTRANE_SOURCE_DIR);
const QString kSystemPackages = QStringLiteral("/usr/share/mime/packages");

QByteArray ReadFile(const QString& strPath) {
    QFile file(strPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Qt reads the database from XDG_DATA_DIRS as it is at its first look-up,
// so each test asks for it before looking anything up; it is built once.
// Empty when it was built.
QString BuildDatabase(const QTemporaryDir& data) {
    const QString strTool = QStandardPaths::findExecutable("update-mime-database");
    const QString strPackages = data.filePath("mime/packages");
    if (strTool.isEmpty() || !QFile::exists(kSystemPackages + "/freedesktop.org.xml")) {
        return "update-mime-database and the system's types are missing: install "
               "shared-mime-info";
    }
    // The system's base types (text/plain, text/csv and their globs) and ours.
    QDir().mkpath(strPackages);
    QFile::copy(kSystemPackages + "/freedesktop.org.xml", strPackages + "/freedesktop.org.xml");
    QFile::copy(kSource + "/res/veltrane-mime.xml", strPackages + "/veltrane.xml");
    QProcess tool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("PKGSYSTEM_ENABLE_FSYNC", "0"); // a scratch folder needs no flushes
    tool.setProcessEnvironment(environment);
    tool.start(strTool, {data.filePath("mime")});
    if (!tool.waitForFinished(60000) || tool.exitStatus() != QProcess::NormalExit ||
        tool.exitCode() != 0) {
        return "update-mime-database failed: " +
               QString::fromLocal8Bit(tool.readAllStandardError());
    }
    qputenv("XDG_DATA_DIRS", QFile::encodeName(data.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.filePath("home")));
    return QString();
}

std::string DatabaseError() {
    static QTemporaryDir data;
    static const QString strError = BuildDatabase(data);
    return strError.toStdString();
}

} // namespace

TEST(FileTypesTest, SurveysAreKnownByNameAndFirstLine) {
    ASSERT_EQ(DatabaseError(), "");
    const QByteArray csv = ReadFile(kSource + "/samples/SDP_I-3.csv");
    const QByteArray twi = ReadFile(kSource + "/samples/BH-07.twi");
    ASSERT_FALSE(csv.isEmpty() || twi.isEmpty());
    struct {
        const char* name;
        QByteArray content;
        const char* type;
    } cases[] = {
        {"BH-07.twi", twi, "application/x-veltrane-twi"},
        {"BH-07.TWI", twi, "application/x-veltrane-twi"},
        {"SDP_I-3.csv", csv, "application/x-veltrane-kvn-csv"},
        // The first line decides, whatever the name.
        {"survey.csv", csv, "application/x-veltrane-kvn-csv"},
        {"survey", csv, "application/x-veltrane-kvn-csv"},
        // Any other CSV file stays a CSV file, even named like a survey.
        {"table.csv", "a,b\r\n1,2\r\n", "text/csv"},
        {"SDP_table.csv", "Depth,Twist\n1,2\n", "text/csv"},
    };
    QTemporaryDir dir;
    const QMimeDatabase database;
    for (const auto& c : cases) {
        QFile file(dir.filePath(c.name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(c.content);
        file.close();
        const QMimeType mime = database.mimeTypeForFile(file.fileName());
        EXPECT_EQ(mime.name().toStdString(), c.type) << c.name;
        // A survey still opens where a CSV or text file does.
        EXPECT_TRUE(mime.inherits(QStringLiteral("text/plain"))) << c.name;
    }
}

TEST(FileTypesTest, DesktopEntryOpensBothTypesOneFileAtATime) {
    ASSERT_EQ(DatabaseError(), "");
    QMap<QString, QString> entry; // KEY=VALUE lines
    for (const QByteArray& line : ReadFile(kSource + "/res/veltrane.desktop").split('\n')) {
        const qsizetype nEquals = line.indexOf('=');
        if (nEquals > 0) {
            entry[QString::fromUtf8(line.left(nEquals))] = QString::fromUtf8(line.mid(nEquals + 1));
        }
    }
    EXPECT_EQ(entry.value("Exec").toStdString(), "veltrane %f");
    QStringList types = entry.value("MimeType").split(';', Qt::SkipEmptyParts);
    types.sort();
    EXPECT_EQ(types, (QStringList{"application/x-veltrane-kvn-csv", "application/x-veltrane-twi"}));
    // Each is a type the database knows.
    for (const QString& strType : types) {
        EXPECT_TRUE(QMimeDatabase().mimeTypeForName(strType).isValid()) << strType.toStdString();
    }
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
