# The commit journal, the byte-range locks and the logged transactions. They
# see a store file only through the File interface and the small interfaces
# the store implements (JournalResolver, TransactionFile, ControlFiles), so
# the store library links this one and not the other way round.
add_library(kavo_journal STATIC journal.cpp locks.cpp transaction.cpp)
target_link_libraries(kavo_journal PUBLIC kavo_errors)
