// Byte streams: the abstract TStream, and TMemoryStream that holds its bytes in memory.
// TFileStream is in file_stream.h.
//
//   TMemoryStream s; s.WriteBuffer(data, n); s.SetPosition(0); s.ReadBuffer(out, n);
//
// Read and Write transfer what they can and return the count; ReadBuffer and WriteBuffer raise
// EReadError / EWriteError on a short transfer. Positions and sizes are in bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ombrisk {

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
public:
  virtual ~TStream() = default;
  TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;

  virtual std::size_t Read(void* buffer, std::size_t count) = 0;
  virtual std::size_t Write(const void* buffer, std::size_t count) = 0;
  // Returns the new position; seeking before the start raises EStreamError.
  virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;

  void ReadBuffer(void* buffer, std::size_t count);
  void WriteBuffer(const void* buffer, std::size_t count);

  std::int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(std::int64_t position) { Seek(position, TSeekOrigin::soBeginning); }
  virtual std::int64_t Size();
  // Copies count bytes (all that remain when count is 0) from source; returns the count copied.
  std::int64_t CopyFrom(TStream& source, std::int64_t count);
};

class TMemoryStream : public TStream {
public:
  TMemoryStream() = default;
  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() override { return static_cast<std::int64_t>(m_bytes.size()); }

  void SetSize(std::size_t size);
  void Clear();
  // The stream's bytes, valid until the next write or resize.
  const std::uint8_t* Memory() const { return m_bytes.data(); }
  std::uint8_t* Memory() { return m_bytes.data(); }
  void LoadFromStream(TStream& source);

private:
  std::vector<std::uint8_t> m_bytes;
  std::size_t m_position = 0;
};

}  // namespace ombrisk
