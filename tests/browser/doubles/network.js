// Test double for the network-graph script, served in place of the script
// host's /Graph/network/network.js. links.Network keeps what draw receives,
// draws the nodes and links as SVG (so that a screenshot shows the graph), and
// supports getSelection, setSelection and the 'select' event: a click on a
// node's circle selects it and fires 'select'; setSelection alone fires nothing.
// Not shipped.
(function () {
  'use strict';

  var SvgNamespace = 'http://www.w3.org/2000/svg';
  var instances = [];

  function svg(name, attributes) {
    var element = document.createElementNS(SvgNamespace, name);
    Object.keys(attributes || {}).forEach(function (key) {
      element.setAttribute(key, attributes[key]);
    });
    return element;
  }

  // Columns are found by their labels, as the graph script does.
  function columnsOf(table, labels, required) {
    var found = {};
    for (var i = 0; i < table.getNumberOfColumns(); ++i) {
      found[table.getColumnLabel(i)] = i;
    }
    required.forEach(function (label) {
      if (!(label in found)) {
        throw new Error('links.Network: the table has no column "' + label + '"');
      }
    });
    var result = {};
    labels.forEach(function (label) { result[label] = label in found ? found[label] : -1; });
    return result;
  }

  function cell(table, row, column) {
    if (column < 0) {
      return '';
    }
    var value = table.getValue(row, column);
    return value === null ? '' : value;
  }

  function pixels(text, fallback) {
    var value = parseInt(text, 10);
    return isNaN(value) || String(text).indexOf('%') >= 0 ? fallback : value;
  }

  function Network(container) {
    if (!container || container.nodeType !== 1) {
      throw new Error('links.Network needs a container element');
    }
    this.container = container;
    this.selection = [];
    this.received = [];  // every (nodesTable, linksTable, options) given to draw
    this.nodeElements = [];
    this.unresolvedLinks = [];
    container.textContent = '';
    instances.push(this);
  }

  Network.prototype.draw = function (nodesTable, linksTable, options) {
    if (!nodesTable || typeof nodesTable.getNumberOfRows !== 'function') {
      throw new Error('links.Network.draw: no nodes table');
    }
    options = options || {};
    this.received.push({ nodesTable: nodesTable, linksTable: linksTable, options: options });
    this.nodesTable = nodesTable;
    this.options = options;

    var groups = options.groups || {};
    var nodeOptions = options.nodes || {};
    var width = this.container.clientWidth || 800;
    var height = pixels(options.height, 440);
    var nodeColumns = columnsOf(nodesTable, ['id', 'text', 'group', 'style', 'image'], ['id']);
    var count = nodesTable.getNumberOfRows();

    var root = svg('svg', { width: '100%', height: String(height), 'class': 'network' });
    var linkLayer = svg('g', { 'class': 'links' });
    var nodeLayer = svg('g', { 'class': 'nodes' });
    root.appendChild(linkLayer);
    root.appendChild(nodeLayer);

    var positions = {};
    var radius = Math.max(40, Math.min(width, height) / 2 - 50);
    this.nodeElements = [];
    for (var row = 0; row < count; ++row) {
      var angle = (2 * Math.PI * row) / Math.max(count, 1) - Math.PI / 2;
      var x = width / 2 + radius * Math.cos(angle);
      var y = height / 2 + radius * Math.sin(angle);
      var id = cell(nodesTable, row, nodeColumns.id);
      var groupName = cell(nodesTable, row, nodeColumns.group);
      var group = Object.prototype.hasOwnProperty.call(groups, groupName) ? groups[groupName] : {};
      if (!(id in positions)) {
        positions[id] = { x: x, y: y };
      }

      var node = svg('g', { 'class': 'node', 'data-row': String(row) });
      node.dataset.id = id;
      node.dataset.group = groupName;
      var dotRadius = typeof group.radius === 'number' ? group.radius : 15;
      node.appendChild(svg('circle', {
        cx: String(x), cy: String(y), r: String(dotRadius), 'stroke-width': '2',
        stroke: group.borderColor || '#2b7ce9', fill: nodeOptions.backgroundColor || 'white',
      }));
      if (cell(nodesTable, row, nodeColumns.style) === 'image') {
        node.appendChild(svg('image', {
          href: cell(nodesTable, row, nodeColumns.image), x: String(x - 12), y: String(y - 12),
          width: '24', height: '24', 'pointer-events': 'none',
        }));
      }
      var label = svg('text', {
        x: String(x), y: String(y + dotRadius + 14), 'text-anchor': 'middle',
        'font-size': String(nodeOptions.fontSize || 14), fill: nodeOptions.fontColor || 'black',
        'pointer-events': 'none',
      });
      if (nodeOptions.fontFace) {
        label.setAttribute('font-family', nodeOptions.fontFace);
      }
      label.textContent = cell(nodesTable, row, nodeColumns.text);
      node.appendChild(label);
      node.addEventListener('click', this.clicked.bind(this, row));
      nodeLayer.appendChild(node);
      this.nodeElements.push(node);
    }

    this.unresolvedLinks = [];
    if (linksTable) {
      var linkColumns = columnsOf(linksTable, ['from', 'to', 'color', 'style', 'title'],
                                  ['from', 'to']);
      for (var link = 0; link < linksTable.getNumberOfRows(); ++link) {
        var from = positions[cell(linksTable, link, linkColumns.from)];
        var to = positions[cell(linksTable, link, linkColumns.to)];
        if (!from || !to) {
          this.unresolvedLinks.push(link);
          continue;
        }
        var style = cell(linksTable, link, linkColumns.style);
        var line = svg('line', {
          'class': 'link', 'data-row': String(link), x1: String(from.x), y1: String(from.y),
          x2: String(to.x), y2: String(to.y), 'stroke-width': '2',
          stroke: cell(linksTable, link, linkColumns.color) || '#2b7ce9',
        });
        if (style.indexOf('dash') >= 0) {
          line.setAttribute('stroke-dasharray', '8 4');
        } else if (style.indexOf('dot') >= 0) {
          line.setAttribute('stroke-dasharray', '2 4');
        }
        var title = svg('title');
        title.textContent = cell(linksTable, link, linkColumns.title);
        line.appendChild(title);
        linkLayer.appendChild(line);
      }
    }

    this.container.textContent = '';
    this.container.appendChild(root);
    this.showSelection();
  };

  Network.prototype.clicked = function (row) {
    this.setSelection([{ row: row }]);
    if (window.google && google.visualization) {
      google.visualization.events.trigger(this, 'select', {});
    }
  };

  Network.prototype.getSelection = function () {
    return this.selection.map(function (item) { return { row: item.row }; });
  };

  Network.prototype.setSelection = function (selection) {
    if (!Array.isArray(selection)) {
      throw new Error('links.Network.setSelection: the selection must be an array');
    }
    var count = this.nodesTable ? this.nodesTable.getNumberOfRows() : 0;
    this.selection = selection.filter(function (item) {
      return item && typeof item.row === 'number' && item.row >= 0 && item.row < count;
    }).map(function (item) { return { row: item.row }; });
    this.showSelection();
  };

  Network.prototype.showSelection = function () {
    var selected = this.selection.map(function (item) { return item.row; });
    var nodeOptions = (this.options && this.options.nodes) || {};
    this.nodeElements.forEach(function (node, row) {
      var isSelected = selected.indexOf(row) >= 0;
      node.classList.toggle('selected', isSelected);
      node.firstChild.setAttribute(
          'fill', isSelected ? nodeOptions.highlightColor || 'gold'
                             : nodeOptions.backgroundColor || 'white');
    });
  };

  Network.instances = instances;
  window.links = { Network: Network };
})();
