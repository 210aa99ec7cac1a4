// SPDX-License-Identifier: GPL-3.0-or-later
// The built program started with "/a" on a prepared program folder, without a display: it sorts,
// answers every question by leaving files alone, saves the history and the settings and ends.
#include "platform/cp932.h"
#include "platform/pathtext.h"
#include "store/condition.h"
#include "testing.h"

#include <QFile>
#include <QProcess>
#include <QTest>

#include <algorithm>
#include <filesystem>
#include <set>
#include <sys/stat.h>
#include <utility>
#include <vector>

using sv::testing::Sjis;

namespace {

struct ProgramFolder final {
    ProgramFolder() {
        program = QString::fromStdString(dir.NativeFile("sorvanta"));
        std::filesystem::copy_file(SORVANTA_EXE, program.toStdString());
        QFile::setPermissions(program, QFile::permissions(program) | QFileDevice::ExeOwner);
        for (const char* folder : {"src", "dst/画像", "dst/音楽"})
            std::filesystem::create_directories(dir.NativeFile(folder));
    }
    std::string P(std::string_view rel) const { return dir.PathText() + sv::FromNativePath(rel); }
    void Condition(std::string_view keywords, std::string_view destRel) {
        sv::TConditionFields fields;
        fields.keywords = keywords;
        fields.destFolder = P(destRel);
        sv::TSortCondition condition;
        QVERIFY(sv::ComposeCondition(fields, condition).ok());
        conditions += Sjis(condition.keywordText) + "\r\n" + Sjis(condition.destText) + "\r\n";
    }
    // Runs the program with "/a"; its standard error is kept.
    // With `noDisplay` the program gets no display of any kind and no platform named either.
    // With `noRuntime` no runtime folder is named either, as under cron.
    int RunAuto(bool noDisplay = false, const QStringList& arguments = {QStringLiteral("/a")},
                bool noRuntime = false) {
        dir.WriteBytes("Condition.txt", conditions);
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (noRuntime) {
            env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
            env.insert(QStringLiteral("XDG_CACHE_HOME"), QString::fromStdString(dir.NativeFile("cache")));
        }
        if (noDisplay) {
            for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
                env.remove(QString::fromLatin1(name));
        } else {
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        }
        for (const auto& [name, value] : extraEnvironment)
            env.insert(name, value);
        process.setProcessEnvironment(env);
        process.start(program, arguments);
        if (!process.waitForFinished(90000)) {
            process.kill();
            process.waitForFinished();
            return -100;
        }
        errors = QString::fromUtf8(process.readAllStandardError());
        output = process.readAllStandardOutput().toStdString();
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -200;
    }
    bool Has(std::string_view rel) const { return dir.Exists(rel); }

    sv::testing::TempFolder dir;
    QString program;
    std::string conditions;
    std::vector<std::pair<QString, QString>> extraEnvironment;
    QString errors;
    std::string output;
};

// Every entry below the folder with its size and modification time, to prove nothing changed;
// Condition.txt is written anew before each start.
std::set<std::string> Snapshot(const std::string& folder) {
    std::set<std::string> out;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (entry.path().filename() == "Condition.txt")
            continue;
        struct stat st {};
        ::lstat(entry.path().c_str(), &st);
        out.insert(entry.path().string() + " " + std::to_string(st.st_size) + " " +
                   std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec) + " " +
                   std::to_string(st.st_mode));
    }
    return out;
}

// The records of History.dat as "mark|name|location" (the time line is only checked for form).
std::multiset<std::string> Records(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(bytes.substr(start, end - start));
    std::multiset<std::string> records;
    if (start != bytes.size() || lines.size() % 4 != 0)
        return {"malformed"};
    for (std::size_t i = 0; i < lines.size(); i += 4) {
        const std::string& time = lines[i];
        if (time.size() != 17 || time[2] != '/' || time[8] != ' ' || time[14] != ':')
            return {"bad time " + time};
        records.insert(lines[i + 1] + "|" + lines[i + 2] + "|" + lines[i + 3]);
    }
    return records;
}

} // namespace

class TestAutoRun final : public QObject {
    Q_OBJECT

private slots:
    // A first start offers the download folder in the window; "/a" sorts only a folder somebody
    // chose, so with no settings file it leaves the download folder alone.
    void AFirstStartWithSlashASortsNoFolderNobodyChose() {
        ProgramFolder f;
        f.Condition("jpg", "dst/画像");
        std::filesystem::create_directories(f.dir.NativeFile("home/Downloads"));
        f.dir.WriteBytes("home/Downloads/夏の思い出.jpg", "x");
        f.extraEnvironment = {
            {QStringLiteral("HOME"), QString::fromStdString(f.dir.NativeFile("home"))},
            {QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString(f.dir.NativeFile("home/.config"))}};
        QVERIFY(f.RunAuto() != -100);
        QVERIFY(f.Has("home/Downloads/夏の思い出.jpg"));
        QVERIFY(!f.Has("dst/画像/夏の思い出.jpg"));
    }

    void SortsSavesAndEndsWithoutADisplay() {
        ProgramFolder f;
        f.Condition("jpg", "dst/画像");
        f.Condition("mp3", "dst/音楽");
        f.Condition("txt", "dst/まだない");
        f.dir.WriteBytes("Sorvanta.ini", Sjis("[Path]\r\nSource=" + f.P("src") +
                                              "\r\n[Condition]\r\nMakeFolder=0\r\nReadOnly=0\r\n"
                                              "FileUsing=0\r\nNotExe=1\r\nNotClass=1\r\n"));
        for (const char* name : {"夏の思い出01.jpg", "夏の思い出02.jpg", "ﾃｽﾄ音楽①.mp3", "メモ.txt",
                                 "読み取り専用.jpg", "setup.exe.jpg"})
            f.dir.WriteBytes(std::string("src/") + name, name);
        ::chmod(f.dir.NativeFile("src/読み取り専用.jpg").c_str(), 0444);

        QCOMPARE(f.RunAuto(), 0);

        for (const char* sorted :
             {"dst/画像/夏の思い出01.jpg", "dst/画像/夏の思い出02.jpg", "dst/音楽/ﾃｽﾄ音楽①.mp3"})
            QVERIFY2(f.Has(sorted), sorted);
        // Left where they were: a read-only file (its question answered No), a file whose
        // destination would have to be created (No), and a suspicious double extension.
        for (const char* kept : {"src/読み取り専用.jpg", "src/メモ.txt", "src/setup.exe.jpg"})
            QVERIFY2(f.Has(kept), kept);
        QVERIFY(!f.Has("dst/まだない"));
        QVERIFY2(
            f.errors.contains(QStringLiteral("は読み取り専用です。このファイルを移動しますか？ -> いいえ")),
            qPrintable(f.errors));
        QVERIFY2(f.errors.contains(QStringLiteral(
                     "が存在しません。フォルダを作成して振り分け処理を実行しますか？ -> いいえ")),
                 qPrintable(f.errors));

        const std::string source = Sjis(f.P("src"));
        const std::multiset<std::string> expected = {
            "  |" + Sjis("夏の思い出01.jpg") + "|" + Sjis(f.P("dst/画像")) + "*" + source,
            "  |" + Sjis("夏の思い出02.jpg") + "|" + Sjis(f.P("dst/画像")) + "*" + source,
            "  |" + Sjis("ﾃｽﾄ音楽①.mp3") + "|" + Sjis(f.P("dst/音楽")) + "*" + source,
        };
        QVERIFY(Records(f.dir.ReadBytes("History.dat")) == expected);

        // The settings were saved: the file now carries this version and the run window's size.
        const std::string ini = sv::Cp932ToUtf8(f.dir.ReadBytes("Sorvanta.ini"));
        QVERIFY(ini.find("SorvantaVer=3.90") != std::string::npos);
        QVERIFY(ini.find("ReportWidth=") != std::string::npos);
        QCOMPARE(f.dir.ReadBytes("Condition.txt"), f.conditions);

        // A second run finds nothing new and puts nothing in front of the history.
        const std::string before = f.dir.ReadBytes("History.dat");
        QCOMPARE(f.RunAuto(), 0);
        QCOMPARE(f.dir.ReadBytes("History.dat"), before);
    }

    void WithoutAnyDisplayTheOneShotRunWorksAndAPlainStartSaysWhy() {
        ProgramFolder f;
        f.Condition("jpg", "dst/画像");
        f.dir.WriteBytes("Sorvanta.ini", Sjis("[Path]\r\nSource=" + f.P("src") + "\r\n"));
        f.dir.WriteBytes("src/花火.jpg", "x");
        QCOMPARE(f.RunAuto(true), 0);
        QVERIFY(f.Has("dst/画像/花火.jpg"));
        QVERIFY(f.Has("History.dat"));

        QCOMPARE(f.RunAuto(true, {}), 1);
        QVERIFY2(f.errors.contains(QStringLiteral("画面")), qPrintable(f.errors));
    }

    // "/t" prints what a run would do, one tab-separated line an action, and changes nothing:
    // not the files, not the data files, not even a folder's time stamp. Nobody answers it, so it
    // plans with the answers "/a" gets: what it prints is what "/a" then does.
    void TheTestRunPrintsThePlanOfTheRunAfterItAndChangesNothing() {
        ProgramFolder f;
        f.Condition("jpg", "dst/画像");
        f.Condition("mp3", "dst/まだない/音楽");
        f.dir.WriteBytes("Sorvanta.ini", Sjis("[Path]\r\nSource=" + f.P("src") +
                                              "\r\n[Condition]\r\nMakeFolder=0\r\nFileUsing=0\r\n"));
        f.dir.WriteBytes("src/花火.jpg", "new");
        f.dir.WriteBytes("dst/画像/花火.jpg", "older one");
        f.dir.WriteBytes("src/tab\tname.mp3", "x");
        const std::set<std::string> before = Snapshot(f.dir.Native());

        QCOMPARE(f.RunAuto(true, {QStringLiteral("/t")}), 0);

        QVERIFY(Snapshot(f.dir.Native()) == before);
        const std::string top = f.dir.Native();
        QCOMPARE(f.output, "\u3000変\t花火[1].jpg\t" + top + "/src\t" + top + "/dst/画像/花火[1].jpg\n");
        QVERIFY2(f.errors.contains(QStringLiteral(
                     "が存在しません。フォルダを作成して振り分け処理を実行しますか？ → [いいえ] "
                     "として続けます。")),
                 qPrintable(f.errors));
        // Standard error carries the program's own lines only.
        for (const QString& line : f.errors.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            QVERIFY2(line.startsWith(QStringLiteral("Sorvanta: ")), qPrintable(line));

        // The real run that follows does what the test run said.
        QCOMPARE(f.RunAuto(true), 0);
        QCOMPARE(f.dir.ReadBytes("dst/画像/花火[1].jpg"), std::string("new"));
        QVERIFY(f.Has("src/tab\tname.mp3"));
        QVERIFY(!f.Has("dst/まだない"));

        // Where the folder would be made, the plan says so too, and so does the run.
        f.dir.WriteBytes("Sorvanta.ini", Sjis("[Path]\r\nSource=" + f.P("src") +
                                              "\r\n[Condition]\r\nMakeFolder=1\r\nFileUsing=0\r\n"));
        QCOMPARE(f.RunAuto(true, {QStringLiteral("--test-run")}), 0);
        QCOMPARE(f.output,
                 "  \ttab\\tname.mp3\t" + top + "/src\t" + top + "/dst/まだない/音楽/tab\\tname.mp3\n");
        QCOMPARE(f.RunAuto(true, {QStringLiteral("--run-all")}), 0);
        QVERIFY(f.Has("dst/まだない/音楽/tab\tname.mp3"));
    }

    // "/a" and "/t" agree: a run that cannot begin ends with status 1, the reason on standard
    // error, and nothing written but the settings.
    void AMissingSourceFolderIsReportedAndTheProgramEndsWithStatusOne() {
        ProgramFolder f;
        f.Condition("jpg", "dst/画像");
        f.dir.WriteBytes("Sorvanta.ini", Sjis("[Path]\r\nSource=" + f.P("ない") + "\r\n"));
        QCOMPARE(f.RunAuto(), 1);
        QVERIFY2(f.errors.contains(QStringLiteral("振り分け元フォルダが存在しません。 -> OK")),
                 qPrintable(f.errors));
        QVERIFY(!f.Has("History.dat"));
        QCOMPARE(f.RunAuto(true, {QStringLiteral("/t")}), 1);
        QVERIFY2(f.errors.contains(QStringLiteral("Sorvanta: 振り分け元フォルダが存在しません。")),
                 qPrintable(f.errors));
    }

    // A cron job's log keeps the program's lines only: nothing of Qt's, also without a runtime
    // folder named; and an option the program does not know touches no data file.
    void StandardErrorCarriesOnlyTheProgramsOwnLines() {
        ProgramFolder f;
        f.Condition("jpg", "dst/画像");
        f.dir.WriteBytes("Sorvanta.ini",
                         Sjis("[Path]\r\nSource=" + f.P("src") + "\r\n[Condition]\r\nMakeFolder=0\r\n"));
        f.dir.WriteBytes("src/花火.jpg", "x");
        f.dir.WriteBytes("src/曲.mp3", "y");
        f.Condition("mp3", "dst/ない");
        QCOMPARE(f.RunAuto(false, {QStringLiteral("/a")}, true), 0);
        QVERIFY(f.Has("dst/画像/花火.jpg"));
        QVERIFY2(!f.errors.contains(QStringLiteral("QStandardPaths")) &&
                     !f.errors.contains(QStringLiteral("raise()")),
                 qPrintable(f.errors));
        for (const QString& line : f.errors.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            QVERIFY2(line.startsWith(QStringLiteral("Sorvanta: ")) ||
                         line.startsWith(QStringLiteral("[Sorvanta")),
                     qPrintable(line));
        QVERIFY2(f.errors.contains(QStringLiteral("-> いいえ")), qPrintable(f.errors));

        const std::set<std::string> before = Snapshot(f.dir.Native());
        QCOMPARE(f.RunAuto(true, {QStringLiteral("--frobnicate")}), 2);
        QCOMPARE(
            f.errors,
            QStringLiteral(
                "Sorvanta: 不明なオプションです：--frobnicate\n使い方は sorvanta --help で表示します。\n"));
        QVERIFY(Snapshot(f.dir.Native()) == before);
        QCOMPARE(f.RunAuto(true, {QStringLiteral("--version")}), 0);
        QCOMPARE(f.output, std::string("Sorvanta 3.90\n"));
        QCOMPARE(f.RunAuto(true, {QStringLiteral("--help")}), 0);
        QVERIFY(f.output.find("--watch") != std::string::npos);
        QVERIFY(Snapshot(f.dir.Native()) == before);
    }

    void WithFileCompTrueDuplicatesAreDeletedAndTheRestSorted() {
        ProgramFolder f;
        // The digest library goes beside the copied program, where the program looks first.
        std::filesystem::copy_file(SV_MD5_LIBRARY, f.dir.NativeFile("libmd5.so"));
        f.Condition("avi", "dst/動画");
        f.dir.WriteBytes("Sorvanta.ini", Sjis("[Path]\r\nSource=" + f.P("src") +
                                              "\r\n[Condition]\r\nFileComp=1\r\nDustBox=0\r\n"
                                              "FileUsing=0\r\n"));
        std::filesystem::create_directories(f.dir.NativeFile("dst/動画"));
        f.dir.WriteBytes("dst/動画/前からある.avi", "the same movie");
        f.dir.WriteBytes("src/重複.avi", "the same movie");
        f.dir.WriteBytes("src/別物.avi", "other  movie!!");
        f.dir.WriteBytes("src/小さい.avi", "short");

        QCOMPARE(f.RunAuto(), 0);

        QVERIFY(!f.Has("src/重複.avi"));
        QVERIFY(!f.Has("dst/動画/重複.avi"));
        QCOMPARE(f.dir.ReadBytes("dst/動画/前からある.avi"), std::string("the same movie"));
        QCOMPARE(f.dir.ReadBytes("dst/動画/別物.avi"), std::string("other  movie!!"));
        QVERIFY(f.Has("dst/動画/小さい.avi"));
        const std::string source = Sjis(f.P("src"));
        const std::string dest = Sjis(f.P("dst/動画"));
        const std::multiset<std::string> expected = {
            Sjis("\u3000消") + "|" + Sjis("重複.avi") + "|" + Sjis("削除") + "*" + source,
            "  |" + Sjis("別物.avi") + "|" + dest + "*" + source,
            "  |" + Sjis("小さい.avi") + "|" + dest + "*" + source,
        };
        QVERIFY(Records(f.dir.ReadBytes("History.dat")) == expected);
    }

    void ADamagedConditionFileIsKeptAsideAndSaidOnStandardError() {
        ProgramFolder f;
        f.Condition("jpg", "dst/画像");
        f.Condition("mp3", "dst/音楽");
        // A zero byte in the middle: the second condition cannot be read.
        const auto cut = f.conditions.find("mp3");
        f.conditions.insert(cut, 1, '\0');
        const std::string damaged = f.conditions;
        f.dir.WriteBytes("Sorvanta.ini", Sjis("[Path]\r\nSource=" + f.P("src") + "\r\n"));
        QCOMPARE(f.RunAuto(), 0);
        QCOMPARE(f.dir.ReadBytes("Condition.txt.bak"), damaged);
        QVERIFY2(f.errors.contains(QStringLiteral("Condition.txt.bak")), qPrintable(f.errors));
        // Started again on the same damaged file, nothing new is kept or said.
        QCOMPARE(f.RunAuto(), 0);
        QVERIFY(!f.Has("Condition.txt.bak1"));
        QVERIFY2(!f.errors.contains(QStringLiteral("Condition.txt.bak")), qPrintable(f.errors));
    }

    void AConditionFileInOtherCodesIsKeptOnceAndSavedInThePreferredOnes() {
        ProgramFolder f;
        f.Condition("髙﨑 jpg", "dst/画像");
        const std::string written = f.conditions;
        // 髙﨑 as NEC-selected IBM extensions, as other tools write them.
        f.conditions.replace(f.conditions.find("\xFB\xFC\xFA\xB1"), 4, "\xEE\xE0\xED\x95");
        const std::string original = f.conditions;
        f.dir.WriteBytes("Sorvanta.ini", Sjis("[Path]\r\nSource=" + f.P("src") + "\r\n"));
        QCOMPARE(f.RunAuto(), 0);
        QCOMPARE(f.dir.ReadBytes("Condition.txt.bak"), original);
        QVERIFY2(f.errors.contains(QStringLiteral("Condition.txt.bak")), qPrintable(f.errors));
        QCOMPARE(f.dir.ReadBytes("Condition.txt"), written);
        // The next start finds it in the preferred codes: nothing more is kept or said.
        f.conditions = written;
        QCOMPARE(f.RunAuto(), 0);
        QVERIFY(!f.Has("Condition.txt.bak1"));
        QVERIFY2(!f.errors.contains(QStringLiteral("Condition.txt.bak")), qPrintable(f.errors));
        QCOMPARE(f.dir.ReadBytes("Condition.txt"), written);
    }

    void ADeadRunsJournalReachesTheHistoryAtTheNextStart() {
        ProgramFolder f;
        f.Condition("jpg", "dst/画像");
        f.dir.WriteBytes("Sorvanta.ini", Sjis("[Path]\r\nSource=" + f.P("src") + "\r\n"));
        f.dir.WriteBytes("History.dat.journal",
                         Sjis("M\r\n花火.jpg\r\n26/12/08 09:00:00\r\n  \r\n花火.jpg\r\n" + f.P("dst/画像") +
                              "*" + f.P("src") + "\r\n"));
        QCOMPARE(f.RunAuto(), 0);
        QVERIFY2(f.errors.contains(QStringLiteral("1 件の振り分け履歴を追加しました")), qPrintable(f.errors));
        QVERIFY(!f.Has("History.dat.journal"));
        QVERIFY(sv::Cp932ToUtf8(f.dir.ReadBytes("History.dat")).find("花火.jpg") != std::string::npos);
    }
};

QTEST_GUILESS_MAIN(TestAutoRun)
#include "test_auto_run.moc"
