// The survey file types a desktop learns from res/veltrane-mime.xml, read by
// Qt's MIME database from a database built with the system's own types, as
// an installation builds it; and the desktop entry that opens them.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kSource = QStringLiteral(VELTRANE_SOURCE_DIR);
const QString kSystemPackages = QStringLiteral("/usr/share/mime/packages");

QByteArray ReadFile(const QString& strPath) {
    QFile file(strPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Qt reads the database once, from XDG_DATA_DIRS as it is at the first
// look-up: the database is built before the test starts.
QTemporaryDir g_data;
bool g_bBuilt = false;

void BuildDatabase() {
    const QString strTool = QStandardPaths::findExecutable("update-mime-database");
    const QString strPackages = g_data.filePath("mime/packages");
    if (strTool.isEmpty() || !QDir().mkpath(strPackages) ||
        !QFile::exists(kSystemPackages + "/freedesktop.org.xml")) {
        return;
    }
    for (const QString& strName : QDir(kSystemPackages).entryList(QDir::Files)) {
        QFile::copy(kSystemPackages + "/" + strName, strPackages + "/" + strName);
    }
    QFile::copy(kSource + "/res/veltrane-mime.xml", strPackages + "/veltrane.xml");
    g_bBuilt = QProcess::execute(strTool, {g_data.filePath("mime")}) == 0;
    qputenv("XDG_DATA_DIRS", QFile::encodeName(g_data.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(g_data.filePath("home")));
}

} // namespace

class TestMimeInfo : public QObject {
    Q_OBJECT

private slots:
    void surveyTypes_data();
    void surveyTypes();
    void desktopEntryOpensThem();
};

void TestMimeInfo::surveyTypes_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("type");

    const QByteArray csv = ReadFile(kSource + "/samples/SDP_I-3.csv");
    const QByteArray twi = ReadFile(kSource + "/samples/BH-07.twi");
    QTest::newRow("twi") << "BH-07.twi" << twi << "application/x-veltrane-twi";
    QTest::newRow("twi upper case") << "BH-07.TWI" << twi << "application/x-veltrane-twi";
    QTest::newRow("kvn csv") << "SDP_I-3.csv" << csv << "application/x-veltrane-kvn-csv";
    // The first line decides, whatever the name.
    QTest::newRow("kvn csv, other name") << "survey.csv" << csv << "application/x-veltrane-kvn-csv";
    QTest::newRow("kvn csv, no extension") << "survey" << csv << "application/x-veltrane-kvn-csv";
    // Any other CSV file stays a CSV file.
    QTest::newRow("spreadsheet csv") << "table.csv" << QByteArray("a,b\r\n1,2\r\n") << "text/csv";
    QTest::newRow("csv named like a survey")
        << "SDP_table.csv" << QByteArray("Depth,Twist\n1,2\n") << "text/csv";
}

void TestMimeInfo::surveyTypes() {
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QString, type);
    if (!g_bBuilt) {
        QSKIP("needs update-mime-database and the system's MIME packages (shared-mime-info)");
    }
    QTemporaryDir dir;
    QFile file(dir.filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();

    const QMimeType mime = QMimeDatabase().mimeTypeForFile(file.fileName());
    QCOMPARE(mime.name(), type);
    if (type == "application/x-veltrane-kvn-csv") {
        QVERIFY(mime.inherits("text/csv"));
    }
}

void TestMimeInfo::desktopEntryOpensThem() {
    // KEY=VALUE lines; the lists are separated by ";".
    QMap<QString, QString> entry;
    for (const QByteArray& line : ReadFile(kSource + "/res/veltrane.desktop").split('\n')) {
        const qsizetype nEquals = line.indexOf('=');
        if (nEquals > 0) {
            entry[QString::fromUtf8(line.left(nEquals))] = QString::fromUtf8(line.mid(nEquals + 1));
        }
    }
    // One file at a time, as a path: veltrane FILE.
    QCOMPARE(entry.value("Exec"), QStringLiteral("veltrane %f"));
    QStringList types = entry.value("MimeType").split(';', Qt::SkipEmptyParts);
    types.sort();
    QCOMPARE(types, (QStringList{"application/x-veltrane-kvn-csv", "application/x-veltrane-twi"}));
}

int main(int argc, char** argv) {
    BuildDatabase();
    QCoreApplication app(argc, argv);
    TestMimeInfo test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_MimeInfo.moc"
