// ComponentKit: a small in-process component layer, header-only, QtCore only.
//
// Usage. In CMake, include(${CMAKE_SOURCE_DIR}/kit/componentkit.cmake) and link the
// INTERFACE target `componentkit` privately; build the library with hidden visibility
// (CXX_VISIBILITY_PRESET hidden, VISIBILITY_INLINES_HIDDEN ON) so that it keeps its own copy
// of everything here. The library keeps one ServerModule as a function-local static of a
// non-inline function, lists its classes in it (class id, programmatic identifier such as
// "Vendor.Class", description, creation function returning QObject* or nullptr on failure)
// and writes COMPONENTKIT_DEFINE_ENTRY_POINTS(module()) once in a .cpp: that defines and
// exports DllRegisterServer, DllUnregisterServer, DllGetClassObject and DllCanUnloadNow.
// Every object class holds a `LiveObject` member built from the module (or calls
// objectCreated/objectDestroyed), so DllCanUnloadNow knows when objects are alive. Members
// are reached by name through Qt's meta-object system (Q_PROPERTY, Q_INVOKABLE; default
// arguments and reference parameters work) and by dispatch id through class infos of the
// form Q_CLASSINFO("DispId 0x60030000", "SaveJPEG"); getProperty, putProperty and invoke go
// from id to member. A host builds a ServerLibrary (QLibrary underneath) and calls
// createObject("Vendor.Class", server, &object): it looks the identifier up in the per-user
// Registry, loads the library by its recorded path and creates the object through the class
// factory; the host owns the object and deletes it before unloading the library. The
// registry is an INI file under QStandardPaths::GenericConfigLocation; tests isolate it by
// pointing XDG_CONFIG_HOME at a temporary folder, or pass their own Registry. Errors are
// Status values (S_OK, S_FALSE, E_FAIL, ...); nothing throws across a library boundary.
// Unix only (dladdr finds the library's path); Windows is meant to use its native
// component system instead.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QMetaMethod>
#include <QMetaObject>
#include <QMetaProperty>
#include <QObject>
#include <QSettings>
#include <QStandardPaths>
#include <QString>
#include <QUuid>
#include <QVariant>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <new>
#include <optional>
#include <utility>
#include <vector>

#if defined(Q_OS_UNIX)
#include <dlfcn.h>
#endif

namespace componentkit {

// Status values with the customary numbers; negative means failure.
using Status = std::int32_t;
inline constexpr Status S_OK = 0;
inline constexpr Status S_FALSE = 1;
inline constexpr Status E_FAIL = static_cast<Status>(0x80004005u);
inline constexpr Status E_POINTER = static_cast<Status>(0x80004003u);
inline constexpr Status E_INVALIDARG = static_cast<Status>(0x80070057u);
inline constexpr Status E_OUTOFMEMORY = static_cast<Status>(0x8007000Eu);
inline constexpr Status CLASS_E_CLASSNOTAVAILABLE = static_cast<Status>(0x80040111u);
inline constexpr Status REGDB_E_CLASSNOTREG = static_cast<Status>(0x80040154u);
inline constexpr Status SELFREG_E_CLASS = static_cast<Status>(0x80040201u);
inline constexpr Status DISP_E_MEMBERNOTFOUND = static_cast<Status>(0x80020003u);
inline constexpr Status DISP_E_TYPEMISMATCH = static_cast<Status>(0x80020005u);
inline constexpr Status DISP_E_UNKNOWNNAME = static_cast<Status>(0x80020006u);
inline constexpr Status DISP_E_BADPARAMCOUNT = static_cast<Status>(0x8002000Eu);

constexpr bool succeeded(Status s) {
    return s >= 0;
}
constexpr bool failed(Status s) {
    return s < 0;
}

// Runs f and turns any exception into a status, so none crosses an entry point.
template <typename F>
Status guarded(F&& f) noexcept {
    try {
        return std::forward<F>(f)();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

// ---------------------------------------------------------------------------------------------
// Per-user component registry: programmatic identifier -> class id -> library path.

struct ClassRegistration {
    QUuid classId;
    QString progId;
    QString libraryPath;
    QString description;
};

class Registry {
public:
    static QString defaultFile() {
        return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
               QStringLiteral("/componentkit/registry.ini");
    }

    explicit Registry(QString file = defaultFile()) : m_file(std::move(file)) {}

    const QString& file() const { return m_file; }

    // Records the class; an identifier already taken by another class now names this one.
    Status add(const ClassRegistration& entry) const {
        if (entry.classId.isNull() || entry.progId.isEmpty() || entry.libraryPath.isEmpty())
            return E_INVALIDARG;
        // QSettings does not always report a folder it could not create.
        if (!QDir().mkpath(QFileInfo(m_file).absolutePath()))
            return E_FAIL;
        QSettings s(m_file, QSettings::IniFormat);
        const QString group = classGroup(entry.classId);
        s.setValue(group + QStringLiteral("/ProgId"), entry.progId);
        s.setValue(group + QStringLiteral("/Library"), entry.libraryPath);
        s.setValue(group + QStringLiteral("/Description"), entry.description);
        s.setValue(progIdKey(entry.progId), entry.classId.toString());
        s.sync();
        if (s.status() != QSettings::NoError || !QFileInfo(m_file).isFile())
            return E_FAIL;
        return S_OK;
    }

    // Removes the class and its identifier, unless the identifier now names another class.
    // S_FALSE when the class was not registered.
    Status remove(const QUuid& classId) const {
        QSettings s(m_file, QSettings::IniFormat);
        const QString group = classGroup(classId);
        const QString progId = s.value(group + QStringLiteral("/ProgId")).toString();
        const bool known = s.contains(group + QStringLiteral("/Library"));
        if (!progId.isEmpty() &&
            QUuid::fromString(s.value(progIdKey(progId)).toString()) == classId)
            s.remove(progIdKey(progId));
        s.remove(group);
        s.sync();
        if (s.status() != QSettings::NoError)
            return E_FAIL;
        return known ? S_OK : S_FALSE;
    }

    std::optional<ClassRegistration> findByClassId(const QUuid& classId) const {
        QSettings s(m_file, QSettings::IniFormat);
        const QString group = classGroup(classId);
        if (classId.isNull() || !s.contains(group + QStringLiteral("/Library")))
            return std::nullopt;
        return ClassRegistration{classId, s.value(group + QStringLiteral("/ProgId")).toString(),
                                 s.value(group + QStringLiteral("/Library")).toString(),
                                 s.value(group + QStringLiteral("/Description")).toString()};
    }

    std::optional<ClassRegistration> findByProgId(const QString& progId) const {
        if (progId.isEmpty())
            return std::nullopt;
        QSettings s(m_file, QSettings::IniFormat);
        return findByClassId(QUuid::fromString(s.value(progIdKey(progId)).toString()));
    }

private:
    static QString classGroup(const QUuid& id) {
        return QStringLiteral("Classes/") + id.toString(QUuid::WithoutBraces);
    }
    static QString progIdKey(const QString& progId) { return QStringLiteral("ProgIds/") + progId; }

    QString m_file;
};

// ---------------------------------------------------------------------------------------------
// Library side: class factory, live-object counting, the four entry points.

// Handed out by DllGetClassObject. It lives as long as its library; nothing to release.
class ClassFactory {
public:
    virtual ~ClassFactory() = default;
    // The caller owns the new object.
    virtual Status createInstance(QObject** object) = 0;
    // A locked server reports that it cannot be unloaded.
    virtual Status lockServer(bool lock) = 0;
};

class ServerModule {
public:
    using CreateFunction = QObject* (*)();
    struct Class {
        QUuid classId;
        QString progId;
        QString description;
        CreateFunction create = nullptr;
    };

    explicit ServerModule(std::vector<Class> classes) : m_classes(std::move(classes)) {
        for (const Class& c : m_classes)
            m_factories.push_back(std::make_unique<Factory>(*this, c));
    }
    ServerModule(const ServerModule&) = delete;
    ServerModule& operator=(const ServerModule&) = delete;

    void objectCreated() { m_objects.fetch_add(1); }
    void objectDestroyed() { m_objects.fetch_sub(1); }
    int liveObjects() const { return m_objects.load(); }
    int locks() const { return m_locks.load(); }

    // The file this module was loaded from, absolute; empty when it cannot be told.
    QString libraryPath() const {
#if defined(Q_OS_UNIX)
        Dl_info info{};
        if (dladdr(static_cast<const void*>(this), &info) != 0 && info.dli_fname && *info.dli_fname)
            return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absoluteFilePath();
#endif
        return {};
    }

    Status registerServer(const Registry& registry = Registry()) const {
        const QString path = libraryPath();
        if (path.isEmpty())
            return SELFREG_E_CLASS;
        for (const Class& c : m_classes) {
            if (failed(registry.add({c.classId, c.progId, path, c.description})))
                return SELFREG_E_CLASS;
        }
        return S_OK;
    }

    Status unregisterServer(const Registry& registry = Registry()) const {
        Status result = S_OK;
        for (const Class& c : m_classes) {
            if (failed(registry.remove(c.classId)))
                result = SELFREG_E_CLASS;
        }
        return result;
    }

    Status getClassObject(const char* classId, ClassFactory** factory) {
        if (!factory)
            return E_POINTER;
        *factory = nullptr;
        if (!classId)
            return E_INVALIDARG;
        const QUuid wanted = QUuid::fromString(QLatin1StringView(classId));
        for (std::size_t i = 0; i < m_classes.size(); ++i) {
            if (!wanted.isNull() && m_classes[i].classId == wanted) {
                *factory = m_factories[i].get();
                return S_OK;
            }
        }
        return CLASS_E_CLASSNOTAVAILABLE;
    }

    Status canUnloadNow() const {
        return liveObjects() == 0 && locks() == 0 ? S_OK : S_FALSE;
    }

private:
    class Factory final : public ClassFactory {
    public:
        Factory(ServerModule& module, const Class& c) : m_module(module), m_class(c) {}
        Status createInstance(QObject** object) override {
            if (!object)
                return E_POINTER;
            *object = nullptr;
            if (!m_class.create)
                return E_FAIL;
            return guarded([&] {
                *object = m_class.create();
                return *object ? S_OK : E_FAIL;
            });
        }
        Status lockServer(bool lock) override {
            if (lock)
                m_module.m_locks.fetch_add(1);
            else if (m_module.m_locks.load() > 0)
                m_module.m_locks.fetch_sub(1);
            return S_OK;
        }

    private:
        ServerModule& m_module;
        const Class& m_class;
    };

    std::vector<Class> m_classes;
    std::vector<std::unique_ptr<Factory>> m_factories;
    std::atomic<int> m_objects{0};
    std::atomic<int> m_locks{0};
};

// A member of every component object: counts the object in its module while it lives.
class LiveObject {
public:
    explicit LiveObject(ServerModule& module) : m_module(module) { m_module.objectCreated(); }
    ~LiveObject() { m_module.objectDestroyed(); }
    LiveObject(const LiveObject&) = delete;
    LiveObject& operator=(const LiveObject&) = delete;

private:
    ServerModule& m_module;
};

// The entry points' names and types, for hosts resolving them.
inline constexpr char kRegisterServer[] = "DllRegisterServer";
inline constexpr char kUnregisterServer[] = "DllUnregisterServer";
inline constexpr char kGetClassObject[] = "DllGetClassObject";
inline constexpr char kCanUnloadNow[] = "DllCanUnloadNow";
using RegisterServerFunction = Status (*)();
using GetClassObjectFunction = Status (*)(const char* classId, ClassFactory** factory);

} // namespace componentkit

// Defines and exports the four entry points over a ServerModule expression.
#define COMPONENTKIT_DEFINE_ENTRY_POINTS(module)                                                   \
    extern "C" Q_DECL_EXPORT componentkit::Status DllRegisterServer() {                            \
        return componentkit::guarded([] { return (module).registerServer(); });                    \
    }                                                                                              \
    extern "C" Q_DECL_EXPORT componentkit::Status DllUnregisterServer() {                          \
        return componentkit::guarded([] { return (module).unregisterServer(); });                  \
    }                                                                                              \
    extern "C" Q_DECL_EXPORT componentkit::Status DllGetClassObject(                               \
        const char* classId, componentkit::ClassFactory** factory) {                               \
        return componentkit::guarded([&] { return (module).getClassObject(classId, factory); });   \
    }                                                                                              \
    extern "C" Q_DECL_EXPORT componentkit::Status DllCanUnloadNow() {                              \
        return componentkit::guarded([] { return (module).canUnloadNow(); });                      \
    }

namespace componentkit {

// ---------------------------------------------------------------------------------------------
// Dispatch by id: Q_CLASSINFO("DispId 0x68030000", "Value") maps an id to a member name.

using DispId = std::uint32_t;
inline constexpr char kDispIdPrefix[] = "DispId ";

class DispatchTable {
public:
    struct Entry {
        DispId id;
        QByteArray name;
    };

    static DispatchTable of(const QMetaObject* meta) {
        DispatchTable table;
        if (!meta)
            return table;
        const QByteArray prefix(kDispIdPrefix);
        for (int i = 0; i < meta->classInfoCount(); ++i) {
            const QMetaClassInfo info = meta->classInfo(i);
            const QByteArray key(info.name());
            if (!key.startsWith(prefix))
                continue;
            bool ok = false;
            const DispId id = key.mid(prefix.size()).trimmed().toUInt(&ok, 0);
            if (ok)
                table.m_entries.push_back({id, QByteArray(info.value())});
        }
        return table;
    }

    const std::vector<Entry>& entries() const { return m_entries; }

    std::optional<QByteArray> nameOf(DispId id) const {
        for (const Entry& e : m_entries) {
            if (e.id == id)
                return e.name;
        }
        return std::nullopt;
    }

    // Names match regardless of case, as automation clients expect.
    std::optional<DispId> idOf(const QByteArray& name) const {
        for (const Entry& e : m_entries) {
            if (e.name.compare(name, Qt::CaseInsensitive) == 0)
                return e.id;
        }
        return std::nullopt;
    }

private:
    std::vector<Entry> m_entries;
};

inline Status getIdOfName(const QObject* object, const QByteArray& name, DispId* id) {
    if (!object || !id)
        return E_POINTER;
    const auto found = DispatchTable::of(object->metaObject()).idOf(name);
    if (!found)
        return DISP_E_UNKNOWNNAME;
    *id = *found;
    return S_OK;
}

namespace detail {
inline std::optional<QMetaProperty> propertyOf(const QObject* object, DispId id) {
    const QMetaObject* meta = object->metaObject();
    const auto name = DispatchTable::of(meta).nameOf(id);
    if (!name)
        return std::nullopt;
    const int index = meta->indexOfProperty(name->constData());
    if (index < 0)
        return std::nullopt;
    return meta->property(index);
}
} // namespace detail

inline Status getProperty(const QObject* object, DispId id, QVariant* value) {
    if (!object || !value)
        return E_POINTER;
    const auto property = detail::propertyOf(object, id);
    if (!property || !property->isReadable())
        return DISP_E_MEMBERNOTFOUND;
    *value = property->read(object);
    return value->isValid() ? S_OK : E_FAIL;
}

inline Status putProperty(QObject* object, DispId id, const QVariant& value) {
    if (!object)
        return E_POINTER;
    const auto property = detail::propertyOf(object, id);
    if (!property || !property->isWritable())
        return DISP_E_MEMBERNOTFOUND;
    QVariant converted = value;
    if (!converted.convert(property->metaType()))
        return DISP_E_TYPEMISMATCH;
    return property->write(object, converted) ? S_OK : E_FAIL;
}

namespace detail {
// Qt leaves reference parameters (int&) without a meta type; the referred type is the one.
inline QMetaType parameterType(const QMetaMethod& method, int index) {
    const QMetaType type = method.parameterMetaType(index);
    if (type.isValid())
        return type;
    QByteArray name = method.parameterTypeName(index);
    if (name.endsWith('&'))
        name.chop(1);
    return QMetaType::fromName(name);
}
} // namespace detail

// Calls the member named by id. A property is read with no arguments and written with one.
// A method is chosen by name and argument count (default arguments count as overloads).
// Arguments are converted to the parameter types; reference parameters write back into args.
inline Status invoke(QObject* object, DispId id, QVariantList& args, QVariant* result = nullptr) {
    if (!object)
        return E_POINTER;
    const QMetaObject* meta = object->metaObject();
    const auto name = DispatchTable::of(meta).nameOf(id);
    if (!name)
        return DISP_E_MEMBERNOTFOUND;

    if (meta->indexOfProperty(name->constData()) >= 0) {
        if (args.isEmpty()) {
            QVariant ignored;
            return getProperty(object, id, result ? result : &ignored);
        }
        if (args.size() == 1)
            return putProperty(object, id, args.front());
        return DISP_E_BADPARAMCOUNT;
    }

    constexpr int kMaxArgs = 10;
    bool nameFound = false;
    for (int m = 0; m < meta->methodCount(); ++m) {
        const QMetaMethod method = meta->method(m);
        if (method.name() != *name || method.access() != QMetaMethod::Public ||
            (method.methodType() != QMetaMethod::Method &&
             method.methodType() != QMetaMethod::Slot))
            continue;
        nameFound = true;
        if (method.parameterCount() != args.size() || args.size() > kMaxArgs)
            continue;

        QVariantList converted;
        for (int i = 0; i < args.size(); ++i) {
            QVariant v = args[i];
            const QMetaType type = detail::parameterType(method, i);
            if (type != QMetaType::fromType<QVariant>() && !v.convert(type))
                return DISP_E_TYPEMISMATCH;
            converted.push_back(std::move(v));
        }
        std::array<QGenericArgument, kMaxArgs> generic{};
        std::array<QByteArray, kMaxArgs> typeNames{};
        for (int i = 0; i < converted.size(); ++i) {
            const auto slot = static_cast<std::size_t>(i);
            typeNames[slot] = method.parameterTypeName(i);
            QVariant& v = converted[i];
            // A QVariant parameter receives the variant itself.
            void* data = detail::parameterType(method, i) == QMetaType::fromType<QVariant>()
                             ? static_cast<void*>(&v)
                             : v.data();
            generic[slot] = QGenericArgument(typeNames[slot].constData(), data);
        }

        const QMetaType returnType = method.returnMetaType();
        const bool returnsVariant = returnType == QMetaType::fromType<QVariant>();
        const bool returnsValue = returnType.isValid() && returnType.id() != QMetaType::Void;
        QVariant returned = returnsValue && !returnsVariant ? QVariant(returnType) : QVariant();
        QGenericReturnArgument ret;
        if (returnsValue)
            ret = QGenericReturnArgument(method.typeName(), returnsVariant
                                                                ? static_cast<void*>(&returned)
                                                                : returned.data());
        const bool ok = method.invoke(object, Qt::DirectConnection, ret, generic[0], generic[1],
                                      generic[2], generic[3], generic[4], generic[5], generic[6],
                                      generic[7], generic[8], generic[9]);
        if (!ok)
            return E_FAIL;
        for (int i = 0; i < converted.size(); ++i)
            args[i] = converted[i];
        if (result)
            *result = returned;
        return S_OK;
    }
    return nameFound ? DISP_E_BADPARAMCOUNT : DISP_E_MEMBERNOTFOUND;
}

// ---------------------------------------------------------------------------------------------
// Host side: load a component library by path and create objects.

class ServerLibrary {
public:
    ServerLibrary() = default;
    ServerLibrary(const ServerLibrary&) = delete;
    ServerLibrary& operator=(const ServerLibrary&) = delete;

    // E_FAIL when the file does not load or lacks one of the four entry points.
    Status load(const QString& path) {
        if (isLoaded())
            return QFileInfo(path) == QFileInfo(m_library.fileName()) ? S_FALSE : E_INVALIDARG;
        m_library.setFileName(path);
        if (!m_library.load())
            return E_FAIL;
        m_register = reinterpret_cast<RegisterServerFunction>(m_library.resolve(kRegisterServer));
        m_unregister =
            reinterpret_cast<RegisterServerFunction>(m_library.resolve(kUnregisterServer));
        m_getClassObject =
            reinterpret_cast<GetClassObjectFunction>(m_library.resolve(kGetClassObject));
        m_canUnloadNow = reinterpret_cast<RegisterServerFunction>(m_library.resolve(kCanUnloadNow));
        if (!m_register || !m_unregister || !m_getClassObject || !m_canUnloadNow) {
            m_library.unload();
            clear();
            return E_FAIL;
        }
        return S_OK;
    }

    bool isLoaded() const { return m_getClassObject != nullptr; }
    QString fileName() const { return m_library.fileName(); }
    QString errorString() const { return m_library.errorString(); }

    Status registerServer() const { return isLoaded() ? m_register() : E_FAIL; }
    Status unregisterServer() const { return isLoaded() ? m_unregister() : E_FAIL; }
    Status canUnloadNow() const { return isLoaded() ? m_canUnloadNow() : E_FAIL; }
    Status getClassObject(const QUuid& classId, ClassFactory** factory) const {
        if (!factory)
            return E_POINTER;
        *factory = nullptr;
        if (!isLoaded())
            return E_FAIL;
        return m_getClassObject(classId.toString().toLatin1().constData(), factory);
    }

    Status createInstance(const QUuid& classId, QObject** object) const {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        ClassFactory* factory = nullptr;
        const Status s = getClassObject(classId, &factory);
        if (failed(s))
            return s;
        return factory->createInstance(object);
    }

    // Unloads the library only when it says no object is alive. True when unloaded.
    bool unloadIfIdle() {
        if (!isLoaded() || canUnloadNow() != S_OK)
            return false;
        clear();
        return m_library.unload();
    }

private:
    void clear() {
        m_register = m_unregister = m_canUnloadNow = nullptr;
        m_getClassObject = nullptr;
    }

    QLibrary m_library;
    RegisterServerFunction m_register = nullptr;
    RegisterServerFunction m_unregister = nullptr;
    RegisterServerFunction m_canUnloadNow = nullptr;
    GetClassObjectFunction m_getClassObject = nullptr;
};

// Creates an object by its programmatic identifier, loading its library into `server`
// when needed. REGDB_E_CLASSNOTREG when the identifier is not registered.
inline Status createObject(const QString& progId, ServerLibrary& server, QObject** object,
                           const Registry& registry = Registry()) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    const auto entry = registry.findByProgId(progId);
    if (!entry)
        return REGDB_E_CLASSNOTREG;
    const Status loaded = server.load(entry->libraryPath);
    if (failed(loaded))
        return loaded;
    return server.createInstance(entry->classId, object);
}

} // namespace componentkit
