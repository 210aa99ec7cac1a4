// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/command_line.h"

#include "store/settings.h"

#include <algorithm>
#include <array>

namespace sv {
namespace {

struct Switch final {
    std::string_view name;
    Command command;
};

constexpr std::array kSwitches{
    Switch{"/a", Command::RunAll},         Switch{"--run-all", Command::RunAll},
    Switch{"/t", Command::TestRun},        Switch{"--test-run", Command::TestRun},
    Switch{"/w", Command::Watch},          Switch{"--watch", Command::Watch},
    Switch{"--help", Command::Help},       Switch{"-h", Command::Help},
    Switch{"--version", Command::Version},
};

// Qt's own options for a program with windows, and whether each takes a value.
struct QtOption final {
    std::string_view name;
    bool value;
};
constexpr std::array kQtOptions{
    QtOption{"-platform", true},        QtOption{"-platformpluginpath", true},
    QtOption{"-platformtheme", true},   QtOption{"-plugin", true},
    QtOption{"-qwindowgeometry", true}, QtOption{"-qwindowicon", true},
    QtOption{"-qwindowtitle", true},    QtOption{"-reverse", false},
    QtOption{"-session", true},         QtOption{"-style", true},
    QtOption{"-stylesheet", true},      QtOption{"-display", true},
    QtOption{"-geometry", true},        QtOption{"-widgetcount", false},
    QtOption{"-nograb", false},         QtOption{"-dograb", false},
    QtOption{"-sync", false},
};

} // namespace

TCommandLine ParseCommandLine(const std::vector<std::string_view>& arguments) {
    TCommandLine line;
    // Asking for help or the version is answered whatever else is there.
    for (const std::string_view argument : arguments) {
        if (argument == "--help" || argument == "-h") {
            line.command = Command::Help;
            return line;
        }
    }
    for (const std::string_view argument : arguments) {
        if (argument == "--version") {
            line.command = Command::Version;
            return line;
        }
    }
    bool switched = false;
    std::string_view firstQtOption;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        const auto own = std::find_if(kSwitches.begin(), kSwitches.end(),
                                      [argument](const Switch& s) { return s.name == argument; });
        if (own != kSwitches.end()) {
            if (switched) {
                line.command = Command::Unknown;
                line.unknown = std::string(argument);
                return line;
            }
            switched = true;
            line.command = own->command;
            continue;
        }
        // "-style fusion", "--style fusion" or "-style=fusion".
        const std::string_view bare = argument.substr(0, argument.find('='));
        const auto qt = std::find_if(kQtOptions.begin(), kQtOptions.end(), [bare](const QtOption& o) {
            return o.name == bare ||
                   (bare.size() > 2 && bare.substr(0, 2) == "--" && o.name == bare.substr(1));
        });
        if (qt == kQtOptions.end()) {
            line.command = Command::Unknown;
            line.unknown = std::string(argument);
            return line;
        }
        if (firstQtOption.empty())
            firstQtOption = argument;
        if (qt->value && bare.size() == argument.size())
            ++i; // its value
    }
    // Qt's options only where there is a window.
    if (!firstQtOption.empty() && line.command != Command::Window && line.command != Command::RunAll) {
        line.command = Command::Unknown;
        line.unknown = std::string(firstQtOption);
    }
    return line;
}

std::string BusyFolderLine(FolderHolder holder, long long pid, std::string_view nativeFolder) {
    const std::string process = pid > 0 ? "、プロセス " + std::to_string(pid) : std::string();
    std::string who;
    switch (holder) {
    case FolderHolder::Service:
        who = "バックグラウンドサービス（sorvanta --watch" + process + "）";
        break;
    case FolderHolder::Window:
        who = "Sorvanta のウィンドウ（" +
              (pid > 0 ? "プロセス " + std::to_string(pid) : std::string("起動中")) + "）";
        break;
    case FolderHolder::OneShot:
        who = "コマンドラインからの振り分け（/a または /t" + process + "）";
        break;
    case FolderHolder::Unknown:
        who = "別の Sorvanta "; // a space before the particle, as after any Latin word
        break;
    }
    std::string line = "Sorvanta: " + who + "がデータフォルダ " + std::string(nativeFolder) +
                       " を使用中のため、実行しません。";
    if (holder == FolderHolder::Service)
        line += "サービスを止めるには systemctl --user stop sorvanta-watch を実行します。";
    return line + "\n";
}

std::string UsageText() {
    return "使い方: sorvanta [オプション]\n"
           "キーワードの条件でファイルを振り分けます。オプションなしではメインウィンドウを開きます。\n"
           "\n"
           "  /a, --run-all     全ての条件で一度だけ振り分けて終了します（画面がなくても動きます）\n"
           "  /t, --test-run    振り分けのテスト実行の予定を標準出力に書きます（ファイルは移動しません）\n"
           "  /w, --watch       画面なしのバックグラウンドサービスとして、到着時と定周期で振り分け続けます\n"
           "  -h, --help        この使い方を表示して終了します\n"
           "      --version     版を表示して終了します\n"
           "\n"
           "終了コード: 0 正常、1 起動または振り分けを始められなかった、2 不明なオプション、\n"
           "3 データフォルダを別の Sorvanta が使用中、255 ウィンドウの Sorvanta が起動中\n"
           "詳しくは man sorvanta を参照してください。\n";
}

std::string VersionText() {
    return "Sorvanta " + std::string(kSettingsVersion) + "\n";
}

} // namespace sv
