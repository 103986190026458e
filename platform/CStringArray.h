// A growable array of CString with the framework's element operations.
#pragma once

#include "platform/CString.h"

#include <vector>

class CStringArray {
public:
    int GetSize() const { return static_cast<int>(m_items.size()); }
    const CString& GetAt(int nIndex) const { return m_items[static_cast<size_t>(nIndex)]; }
    CString& operator[](int nIndex) { return m_items[static_cast<size_t>(nIndex)]; }
    const CString& operator[](int nIndex) const { return GetAt(nIndex); }

    // Returns the index of the new element.
    int Add(const CString& str) {
        m_items.push_back(str);
        return GetSize() - 1;
    }
    // Inserts nCount copies at nIndex, growing the array when nIndex lies past its end.
    void InsertAt(int nIndex, const CString& str, int nCount = 1) {
        if (nIndex > GetSize()) {
            SetSize(nIndex);
        }
        m_items.insert(m_items.begin() + nIndex, static_cast<size_t>(nCount), str);
    }
    void SetAtGrow(int nIndex, const CString& str) {
        if (nIndex >= GetSize()) {
            SetSize(nIndex + 1);
        }
        m_items[static_cast<size_t>(nIndex)] = str;
    }
    void SetSize(int nNewSize) { m_items.resize(static_cast<size_t>(nNewSize < 0 ? 0 : nNewSize)); }
    void RemoveAll() { m_items.clear(); }

private:
    std::vector<CString> m_items;
};
