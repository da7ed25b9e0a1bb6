#pragma once
// The result trees the windows show; also the sort keys of node lists.

enum NODE_TREE_TYPE : int {
  NODE_TREE_PATH = 0,
  NODE_TREE_FILE_TYPE = 1,
  NODE_TREE_CREATION_TIME = 2,
  NODE_TREE_MODIFICATION_TIME = 3,
  NODE_TREE_ACCESS_TIME = 4,
};
