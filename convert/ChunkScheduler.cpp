#include "convert/ChunkScheduler.h"

#include <algorithm>

CChunkScheduler::CChunkScheduler(size_t nFiles, size_t nChunkSize)
    : m_nFiles(nFiles), m_nChunkSize(std::max<size_t>(nChunkSize, 1)),
      m_nAllowed(std::min(nFiles, kChunksAhead * m_nChunkSize)), m_doneInChunk(Chunks(), 0) {}

size_t CChunkScheduler::EndOf(size_t nChunk) const {
    return std::min(m_nFiles, (nChunk + 1) * m_nChunkSize);
}

bool CChunkScheduler::Next(size_t& nFile, size_t nUntil) {
    const size_t nEnd = std::min(m_nFiles, nUntil);
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [&] { return m_nNext < m_nAllowed || m_nNext >= nEnd; });
    if (m_nNext >= nEnd) {
        return false;
    }
    nFile = m_nNext++;
    return true;
}

void CChunkScheduler::Done(size_t nFile) {
    const size_t nChunk = ChunkOf(nFile);
    std::lock_guard<std::mutex> lock(m_mutex);
    if (++m_doneInChunk[nChunk] == EndOf(nChunk) - FirstOf(nChunk)) {
        m_changed.notify_all();
    }
}

void CChunkScheduler::WaitForChunk(size_t nChunk) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [&] { return m_doneInChunk[nChunk] == EndOf(nChunk) - FirstOf(nChunk); });
}

void CChunkScheduler::Committed(size_t nChunk) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_nAllowed = std::max(m_nAllowed, std::min(m_nFiles, EndOf(nChunk + kChunksAhead)));
    }
    m_changed.notify_all();
}
