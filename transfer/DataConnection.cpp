#include "transfer/DataConnection.h"

#include "transfer/TransferProtocol.h"

namespace nimbo {
namespace {

constexpr int WORD_SIZE = 4;
constexpr int BITS_PER_BYTE = 8;

}  // namespace

bool DataConnection::Accept(CBlockingSocket& listener, std::optional<in_addr> from) {
    for (;;) {
        sockaddr_in peer{};
        if (!listener.Accept(m_socket, peer))
            return false;
        if (!from || peer.sin_addr.s_addr == from->s_addr)
            break;
        m_socket.Close();
    }
    m_info.PublishDataSocket(&m_socket);
    m_published = true;
    return true;
}

// Published before the connect, so that a Cancel also ends a connect that
// waits for an unreachable sender.
void DataConnection::Connect(const sockaddr_in& address) {
    m_socket.Create(SOCK_STREAM);
    m_info.PublishDataSocket(&m_socket);
    m_published = true;
    m_socket.Connect(address);
}

void DataConnection::SendWord(std::uint32_t value) {
    char bytes[WORD_SIZE];
    for (int i = 0; i < WORD_SIZE; ++i)
        bytes[i] = static_cast<char>(value >> (BITS_PER_BYTE * i));
    SendAll(bytes, WORD_SIZE);
}

bool DataConnection::ReceiveWord(std::uint32_t& value) {
    unsigned char bytes[WORD_SIZE];
    for (int count = 0; count < WORD_SIZE;) {
        const int received = Receive(reinterpret_cast<char*>(bytes) + count, WORD_SIZE - count);
        if (received == 0)
            return false;
        count += received;
    }
    value = 0;
    for (int i = 0; i < WORD_SIZE; ++i)
        value |= static_cast<std::uint32_t>(bytes[i]) << (BITS_PER_BYTE * i);
    return true;
}

void DataConnection::SendAll(const char* bytes, int length) { m_socket.SendAll(bytes, length, FILE_TIMEOUT); }

int DataConnection::Receive(char* buffer, int capacity) { return m_socket.Receive(buffer, capacity, FILE_TIMEOUT); }

// Withdrawn before it is closed: a Cancel must never reach a closed socket.
void DataConnection::Close() {
    if (m_published) {
        m_info.WithdrawDataSocket();
        m_published = false;
    }
    m_socket.Close();
}

}  // namespace nimbo
