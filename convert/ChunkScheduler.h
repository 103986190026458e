// Hands the files of a batch to its workers in the order of the files, never
// more than a few chunks ahead of the chunk being put in place, and tells the
// thread that puts chunks in place when one is done. The outputs of a chunk
// wait under temporary names until it is committed, so the chunks ahead bound
// how many temporary files a batch holds at once.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

class CChunkScheduler {
public:
    // Chunks whose files may be under way at once, the one being committed
    // included.
    static constexpr size_t kChunksAhead = 2;

    // nChunkSize of at least 1.
    CChunkScheduler(size_t nFiles, size_t nChunkSize);

    size_t Chunks() const { return (m_nFiles + m_nChunkSize - 1) / m_nChunkSize; }
    size_t ChunkOf(size_t nFile) const { return nFile / m_nChunkSize; }
    size_t FirstOf(size_t nChunk) const { return nChunk * m_nChunkSize; }
    // One past the chunk's last file.
    size_t EndOf(size_t nChunk) const;

    // For a worker: the next file, waiting while it lies beyond the chunks
    // that may begin. FALSE once every file before nUntil has been handed out.
    bool Next(size_t& nFile, size_t nUntil = SIZE_MAX);
    // For a worker: that file is done. The last file of a chunk wakes the
    // thread that commits it.
    void Done(size_t nFile);

    // For the committing thread: waits until every file of the chunk is done.
    void WaitForChunk(size_t nChunk);
    // For the committing thread: the chunk is in place, so the files of the
    // chunk kChunksAhead after it may begin.
    void Committed(size_t nChunk);

private:
    const size_t m_nFiles;
    const size_t m_nChunkSize;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    size_t m_nNext = 0;    // the next file to hand out
    size_t m_nAllowed = 0; // files before this one may begin
    std::vector<size_t> m_doneInChunk;
};
