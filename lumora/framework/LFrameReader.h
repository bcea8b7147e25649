// Reads frame files. Binary form (".fra"): the whole file is read into a
// buffer and the classes read their blocks from it, each read checked against
// the end. Text form (".txt"): the source of a frame, records ending with
// '$', values ending with ';', read key by key while compiling.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class LFrameReader {
public:
    enum { kBinary = 0, kText = 1 };

    // dataRoot is the data folder; frames live in its "2DFRA/".
    LFrameReader(const char* dataRoot, int mode);
    LFrameReader(const LFrameReader&) = delete;
    LFrameReader& operator=(const LFrameReader&) = delete;
    ~LFrameReader();

    // Binary side. Open returns the view count (0 when the file cannot be
    // opened: message 8; or when the count is out of range: message 9).
    int Open(const char* name);
    // The same on bytes already in memory (name only reported).
    int OpenBytes(const char* name, const void* data, std::size_t size);
    // Copies n bytes and advances; past the end the rest is zero-filled, the
    // reader is marked damaged and 0 returned.
    int ReadBytes(void* dst, int n);
    int ReadInt(int* dst);
    int ReadCode(int* dst);  // nonzero when the code read is nonzero
    // A 32-byte text field, always terminated.
    int ReadName(char* dst);
    void Close();
    int IsDamaged() const { return m_Damaged; }
    void MarkDamaged() { m_Damaged = 1; }
    const char* GetName() const { return m_Name.c_str(); }
    // The file of the frame named name ("" when it does not exist).
    std::string FramePath(const char* name) const;

    // Text side. OpenText reads a source file (a path, or a name in the frame
    // folder); OpenTextBytes takes it from memory. Both give 1 or 0.
    int OpenText(const char* path, std::vector<std::uint8_t>* out);
    int OpenTextBytes(const char* data, std::size_t size, std::vector<std::uint8_t>* out);
    // The next record's code; 0 at the end of the source (or on an error).
    int NextRecord(int* code);
    // Values of the current record: the key is looked up in its own part of
    // the record (the view part, or the current behaviour's part), then in
    // the whole record. 0 when not found (dst "" or 0).
    int GetString(const char* key, char* dst, int size);
    int GetInt(const char* key, int* dst);
    // The next behaviour of the record; 0 when there is none.
    int NextBehavior(int* code);
    int Write(const void* data, int n);
    // Why the text side stopped ("" when it did not).
    const std::string& GetError() const { return m_Error; }
    void SetError(const std::string& error);

    int GetMode() const { return m_Mode; }
    const char* GetFolder() const { return m_Folder.c_str(); }
    // A name ending in ".fra" or ".txt" (default extension added when the
    // name itself has no dot).
    std::string WithDefaultExtension(const char* name) const;

private:
    void MakeCurrent();
    void ForgetIfCurrent();
    int FinishOpen();
    const char* FindKey(const char* key, std::size_t* valueEnd);

    const char m_RecordSeparator = '$';
    const char m_ValueTerminator = ';';
    const char m_BehaviorMarker = '@';
    std::string m_Extension;
    std::vector<std::uint8_t> m_Buffer;
    std::size_t m_Cursor = 0;
    std::string m_Record;          // current text record
    std::size_t m_BehaviorScan = 0;  // where the next '@' is searched
    std::size_t m_PartBegin = 0, m_PartEnd = 0;  // current part of the record
    std::string m_Folder;          // data root + "2DFRA/"
    std::string m_Name;            // frame being read
    std::vector<std::uint8_t>* m_Output = nullptr;
    int m_Mode;
    int m_Damaged = 0;
    std::string m_Error;
};

// The frame reader made last (the frame manager's, or a compiler's).
LFrameReader* GetFrameReader();
