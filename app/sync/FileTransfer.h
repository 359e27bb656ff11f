#pragma once

#include "base/Path.h"
#include "platform/FileSystem.h"

#include <QString>

#include <atomic>
#include <map>
#include <optional>
#include <set>
#include <vector>

namespace quillet {

// Why a copy did not happen. The pass turns it into words for the log and the window.
struct TransferFailure {
    enum class Kind {
        SourceMissing,         // the source is gone or is not a file
        SourceUnreadable,      // the source could not be read
        SourceChanged,         // it changed while it was read, twice in a row
        NotAFile,              // a folder or special file has the destination's name
        ReadOnly,              // the destination has no write permission
        DestinationUnreadable, // the destination cannot be read, so its time means nothing
        OffVolume,             // the destination folder is not on the volume it must be on
        Placed,                // the copy was written but someone else's file took its name
        NameRefused,           // written beside it, but the file system refused the name
        DestinationChanged,    // the file to replace changed before its replacement was placed
        LinkOnDrive,           // the destination on the drive is a link: never written through
        System,                // the operating system refused: code and message say why
        Stopped,               // cancelled part-way: nothing was placed
    };
    Kind kind = Kind::System;
    int code = 0;
    std::string message; // the system's words, when it gave any
};

// Makes a destination a copy of a source: bytes, then times, then the read-only state. The
// bytes go to a temporary file beside the destination, which is flushed and renamed into
// place, so a failure at any point leaves the destination as it was and nothing else behind.
//
// Only what the read-only attribute means crosses over: a new file gets the user's default
// permissions, less the group and other permissions its source denies where the source's
// file system keeps permissions (and without write permission when the source is
// read-only); a replaced file keeps its own permissions, owner and group, except that its
// write permission follows the source's read-only state.
class FileTransfer {
public:
    explicit FileTransfer(platform::FileSystem& fs, std::size_t bufferSize = 1 << 20)
        : m_fs(fs), m_bufferSize(bufferSize) {}

    // Where a copy must land: when requiredDevice is set, the destination's folder must be on
    // that volume (the paired drive), or nothing is written.
    struct Target {
        Path path;
        std::optional<std::uint64_t> requiredDevice;
    };

    // When a copy goes in place. Now: flushed and renamed, the rename flushed too. With the
    // batch: flushed and put in place together by placeStaged, so that many files share one
    // flush; a file it replaces stays whole until then, and is replaced only if it did not
    // change meanwhile.
    enum class Placing { Now, WithBatch };

    // Now: true when the destination holds the source's content and times. With the batch:
    // true when the copy is written beside it; subject names it in what placeStaged returns.
    bool copy(const Path& source, const Target& destination, Placing placing,
              const QString& subject = {});
    std::size_t stagedCount() const { return m_staged.size(); }
    // True for the temporary file of a copy staged and not yet placed.
    bool isStaged(const Path& tempPath) const;
    struct StagedFailure {
        QString subject;
        Path destination;
        TransferFailure failure;
    };
    // Flushes and places every staged file; returns those that failed. A file that appeared
    // at a destination meanwhile is left alone (and fails).
    std::vector<StagedFailure> placeStaged();

    // A copy written beside its destination and not placed yet.
    struct Staged {
        std::string tempPath;
        std::string destination;
        platform::FileTimes times;
        QString subject;
        std::uint64_t device = 0;
        platform::FileStat replaces; // what was at the destination when it was written
    };
    // Hands the staged copies over, so that another transfer places them (on another thread)
    // while this one writes the next.
    std::vector<Staged> takeStaged();
    // A writer's copy, handed to the transfer that places it with its batch.
    std::optional<Staged> takeLastStaged();
    void adoptStaged(Staged staged) { m_staged.push_back(std::move(staged)); }
    // The next copy looks at its destination's folder afresh.
    void forgetFolders() { m_lastFolder = {}; }

    // placeStaged in steps, so that the flush that makes one batch's renames last can be the
    // flush that makes the next batch's copies last: flush, rename, flush, rename, flush.
    // A flush of each volume (a path on it); the result for each.
    using Flushed = std::map<std::uint64_t, platform::Status>;
    Flushed flushVolumes(const std::map<std::uint64_t, std::string>& volumes);
    static std::map<std::uint64_t, std::string> volumesOf(const std::vector<Staged>& batch);
    // A copy renamed into place; done once its volume is flushed again.
    struct Landed {
        QString subject;
        Path destination;
        std::uint64_t device = 0;
    };
    struct Renamed {
        std::vector<StagedFailure> failed; // not placed
        std::vector<Landed> placed;
        std::map<std::uint64_t, std::string> volumes; // of the placed ones
    };
    // Renames the batch's copies into place where their volume's flush (in flushed) held.
    Renamed renameFlushed(const std::vector<Staged>& batch, const Flushed& flushed);
    // The placed copies whose volume's flush after their rename failed: their fate is unknown.
    static std::vector<StagedFailure> unconfirmed(const Renamed& renamed, const Flushed& flushed);

    // Files on this volume all show one mode (FAT, exFAT): theirs says nothing of who may
    // read them, and a copy from there gets the default permissions.
    void setModeless(std::uint64_t device) { m_modeless.insert(device); }
    const std::set<std::uint64_t>& modelessVolumes() const { return m_modeless; }

    // Why the last copy failed.
    const TransferFailure& lastFailure() const { return m_lastFailure; }
    // From another thread: the copy under way stops after the block in hand, removes its
    // temporary file and fails as Stopped; so does every copy until resume().
    void cancel() { m_cancelled.store(true, std::memory_order_relaxed); }
    void resume() { m_cancelled.store(false, std::memory_order_relaxed); }
    // Bytes of the current file read so far; safe to read from another thread.
    std::int64_t bytesDone() const { return m_bytesDone.load(std::memory_order_relaxed); }

private:
    enum class Flush { Now, Later };

    bool fail(TransferFailure::Kind kind, const platform::Error& error = {});
    bool checkDestination(const Target& target, const platform::FileStat& from,
                          const std::string& dst, const platform::FileStat& to);
    // A copy written beside its destination, not yet in place.
    struct Written {
        std::string tempPath;
        platform::FileTimes times;
        std::uint64_t device = 0;
    };
    std::optional<Written> writeTemp(const std::string& src, const Target& target,
                                     const std::string& dst, const platform::FileStat& existing,
                                     Flush flush);
    // One attempt; holes says whether runs of zeros may be skipped.
    enum class Attempt { Done, Failed, SourceChanged, HolesRefused, KernelCopyRefused };
    Attempt writeOnce(platform::Handle in, const platform::FileStat& before,
                      const platform::TempFile& out, bool holes);
    Attempt copyInKernel(platform::Handle in, const platform::FileStat& before,
                         const platform::TempFile& out);
    Attempt finishAttempt(platform::Handle in, const platform::FileStat& before,
                          std::int64_t copied);
    // Lets the disk write what was copied so far while the copy goes on.
    void writeBehind(platform::Handle out, std::int64_t copied, std::int64_t& started);
    void setPermissions(platform::Handle out, const platform::FileStat& made,
                        const platform::FileStat& source, const platform::FileStat& existing,
                        const std::string& dst);
    bool putInPlace(const std::string& tempPath, const std::string& dst,
                    const platform::FileTimes& times, std::uint64_t device, bool mayReplace);

    platform::FileSystem& m_fs;
    std::size_t m_bufferSize;
    std::vector<char> m_buffer;
    std::vector<Staged> m_staged;
    // Looks at a destination's folder, once for the files of one folder in a row.
    const platform::FileStat& folderStat(const std::string& folderPath);

    std::set<std::uint64_t> m_modeless;
    // Volumes that refused a hole: their files are written out in full.
    std::set<std::uint64_t> m_noHoles;
    // Pairs of volumes (from, to) between which the kernel refused to copy.
    std::set<std::pair<std::uint64_t, std::uint64_t>> m_noKernelCopy;
    // Volumes whose renames keep a file's times: no look after the rename.
    std::set<std::uint64_t> m_renameKeepsTimes;
    // The folder new files went into last, as it was: one look for a folder's files.
    std::pair<std::string, platform::FileStat> m_lastFolder;
    TransferFailure m_lastFailure;
    std::atomic<std::int64_t> m_bytesDone{0};
    std::atomic<bool> m_cancelled{false};
    // True (and the failure set) once cancel() was called.
    bool stopped();
};

} // namespace quillet
