// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/digest_library.h"

#include "platform/files.h"
#include "platform/install_paths.h"
#include "platform/pathtext.h"

#include <QLibrary>

#include <algorithm>
#include <vector>

namespace sv {
namespace {

#if defined(_WIN32)
constexpr char kFileName[] = "md5.dll";
#else
constexpr char kFileName[] = "libmd5.so";
#endif
constexpr char kSearchName[] = "md5";

using CreateFn = std::int32_t (*)();
using InitFn = std::int32_t (*)(std::int32_t);
using InputFn = std::int32_t (*)(std::int32_t, const void*, std::int32_t);
using LengthFn = std::int32_t (*)(std::int32_t);
using TextFn = std::int32_t (*)(std::int32_t, char*, std::int32_t);
using DestroyFn = void (*)(std::int32_t);

template <typename Fn> Fn Resolve(QLibrary& library, const char* name) {
    return reinterpret_cast<Fn>(library.resolve(name));
}

} // namespace

struct DigestLibrary::Impl final {
    std::vector<QString> candidates; // a file name with a folder is tried as it is
    std::unique_ptr<QLibrary> library;
    CreateFn create = nullptr;
    InitFn init = nullptr;
    InputFn input = nullptr;
    LengthFn length = nullptr;
    TextFn text = nullptr;
    DestroyFn destroy = nullptr;
    std::int32_t handle = 0;
    std::vector<std::int32_t> workers; // the handles of workers 1 ..

    std::int32_t Handle(std::size_t worker) const {
        return worker == 0 ? handle : worker <= workers.size() ? workers[worker - 1] : 0;
    }
    // Nothing when the library is loaded and available.
    std::optional<DigestFault> TryLoad(const QString& name);
    void Unload();
};

std::optional<DigestFault> DigestLibrary::Impl::TryLoad(const QString& name) {
    library = std::make_unique<QLibrary>(name);
    if (!library->load()) {
        library.reset();
        return DigestFault::NotLoaded;
    }
    create = Resolve<CreateFn>(*library, "CreateAlgorithm");
    init = Resolve<InitFn>(*library, "InitAlgorithm");
    input = Resolve<InputFn>(*library, "InputData");
    length = Resolve<LengthFn>(*library, "GetHashTextLength");
    text = Resolve<TextFn>(*library, "GetHashText");
    destroy = Resolve<DestroyFn>(*library, "DestroyAlgorithm");
    // A library that lacks an entry point, or gives no algorithm, could only ever say "err": it
    // counts as not available, so that the files are sorted and the run says why nothing was
    // compared.
    if (create == nullptr || init == nullptr || input == nullptr || length == nullptr || text == nullptr ||
        destroy == nullptr) {
        Unload();
        return DigestFault::LacksEntryPoint;
    }
    if ((handle = create()) == 0) {
        Unload();
        return DigestFault::NoAlgorithm;
    }
    return std::nullopt;
}

void DigestLibrary::Impl::Unload() {
    if (destroy != nullptr) {
        for (const std::int32_t worker : workers)
            destroy(worker);
    }
    workers.clear();
    if (handle != 0 && destroy != nullptr)
        destroy(handle);
    handle = 0;
    create = nullptr;
    init = nullptr;
    input = nullptr;
    length = nullptr;
    text = nullptr;
    destroy = nullptr;
    if (library) {
        library->unload();
        library.reset();
    }
}

DigestLibrary::DigestLibrary() : m_impl(std::make_unique<Impl>()) {
    // Beside the executable, then the program's private library folder, then the standard search.
    m_impl->candidates.push_back(QString::fromStdString(ToNativePath(ExecutableFolder()) + kFileName));
    if (const std::string installed = PrivateLibraryFolderFor(ExecutableFolder()); !installed.empty())
        m_impl->candidates.push_back(QString::fromStdString(ToNativePath(installed) + kFileName));
    m_impl->candidates.push_back(QString::fromLatin1(kSearchName));
}

DigestLibrary::DigestLibrary(std::string nativeFile) : m_impl(std::make_unique<Impl>()) {
    m_impl->candidates.push_back(QString::fromStdString(nativeFile));
}

DigestLibrary::~DigestLibrary() {
    Release();
}

Result<void, DigestFault> DigestLibrary::EnsureLoaded() {
    using Available = Result<void, DigestFault>;
    if (Loaded())
        return {};
    DigestFault furthest = DigestFault::NotLoaded;
    for (const QString& name : m_impl->candidates) {
        const std::optional<DigestFault> fault = m_impl->TryLoad(name);
        if (!fault)
            return {};
        furthest = std::max(furthest, *fault);
    }
    return Available::Fail(furthest);
}

bool DigestLibrary::Loaded() const {
    return m_impl->library != nullptr;
}

void DigestLibrary::Release() {
    m_impl->Unload();
}

std::string DigestLibrary::LoadedFile() const {
    return m_impl->library ? m_impl->library->fileName().toStdString() : std::string();
}

std::size_t DigestLibrary::PrepareWorkers(std::size_t count) const {
    if (!Loaded())
        return 0;
    while (m_impl->workers.size() + 1 < count) {
        const std::int32_t made = m_impl->create();
        if (made == 0)
            break;
        m_impl->workers.push_back(made);
    }
    return std::min(count, m_impl->workers.size() + 1);
}

std::int32_t DigestLibrary::InitAlgorithm(std::size_t worker) const {
    const std::int32_t handle = m_impl->Handle(worker);
    return m_impl->init != nullptr && handle != 0 ? m_impl->init(handle) : 1;
}

std::int32_t DigestLibrary::InputData(const void* data, std::int32_t count, std::size_t worker) const {
    const std::int32_t handle = m_impl->Handle(worker);
    return m_impl->input != nullptr && handle != 0 ? m_impl->input(handle, data, count) : 1;
}

std::optional<std::string> DigestLibrary::HashText(std::size_t worker) const {
    const std::int32_t handle = m_impl->Handle(worker);
    if (m_impl->length == nullptr || m_impl->text == nullptr || handle == 0)
        return std::nullopt;
    const std::int32_t length = m_impl->length(handle);
    if (length < 0 || length > 1024)
        return std::nullopt;
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    if (m_impl->text(handle, text.data(), length + 1) != 0)
        return std::nullopt;
    text.resize(text.find('\0') == std::string::npos ? text.size() - 1 : text.find('\0'));
    return text;
}

DigestLibrary& ProgramDigestLibrary() {
    // Never destroyed: at exit Qt's own library registry may already be gone. The main window
    // releases the library when it closes.
    static DigestLibrary* const library = new DigestLibrary;
    return *library;
}

} // namespace sv
