// libQVSO.so's module: the server's exports arrive with the COM server.
