# The store's side of the journal and the transactions: StoreFile's members
# that drive them, journal resolution and the transaction-control file.
target_sources(kavo_store PRIVATE store_transaction.cpp)
target_link_libraries(kavo_store PUBLIC kavo_journal)
