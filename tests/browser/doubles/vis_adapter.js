// A links.Network stand-in over vis-network, used only to draw the README
// screenshot: it reads the page's DataTables and options the way the graph
// script does (columns by label, groups by name) and lays the graph out with
// vis-network. Served after vis-network's standalone build in place of the
// script host's /Graph/network/network.js. Test tooling, never shipped.
(function () {
  'use strict';

  var Shapes = {
    box: 'box', rect: 'box', ellipse: 'ellipse', database: 'database', circle: 'circle',
    dot: 'dot', text: 'text', image: 'image',
  };
  var byContainer = new Map();
  var instances = [];

  function reader(table) {
    var columns = {};
    for (var i = 0; i < table.getNumberOfColumns(); ++i) {
      columns[table.getColumnLabel(i)] = i;
    }
    return function (row, label) {
      if (!(label in columns)) {
        return '';
      }
      var value = table.getValue(row, columns[label]);
      return value === null ? '' : value;
    };
  }

  function Network(container) {
    var previous = byContainer.get(container);
    if (previous && previous.vis) {
      previous.vis.destroy();
    }
    byContainer.set(container, this);
    this.container = container;
    this.selection = [];
    this.stabilized = false;
    instances.push(this);
  }

  Network.prototype.draw = function (nodesTable, linksTable, options) {
    var self = this;
    options = options || {};
    var groups = options.groups || {};
    var nodeOptions = options.nodes || {};
    var linkOptions = options.links || {};
    var node = reader(nodesTable);
    var nodes = [];
    var rowOfId = {};
    for (var row = 0; row < nodesTable.getNumberOfRows(); ++row) {
      var id = node(row, 'id');
      var groupName = node(row, 'group');
      var group = Object.prototype.hasOwnProperty.call(groups, groupName) ? groups[groupName] : {};
      var asImage = node(row, 'style') === 'image';
      if (!(id in rowOfId)) {
        rowOfId[id] = row;
      }
      nodes.push({
        id: row,
        label: node(row, 'text'),
        shape: asImage ? 'image' : Shapes[group.style] || 'ellipse',
        image: asImage ? node(row, 'image') : undefined,
        size: asImage ? 28 : typeof group.radius === 'number' ? group.radius : 15,
        borderWidth: 2,
        color: {
          border: group.borderColor || '#2b7ce9',
          background: nodeOptions.backgroundColor || 'white',
          highlight: { border: group.borderColor || '#2b7ce9',
                       background: nodeOptions.highlightColor || 'gold' },
        },
        font: { face: nodeOptions.fontFace, size: nodeOptions.fontSize || 14,
                color: nodeOptions.fontColor || 'black' },
      });
    }
    var edges = [];
    if (linksTable) {
      var link = reader(linksTable);
      for (var l = 0; l < linksTable.getNumberOfRows(); ++l) {
        var style = link(l, 'style');
        var color = link(l, 'color') || '#2b7ce9';
        edges.push({
          from: rowOfId[link(l, 'from')],
          to: rowOfId[link(l, 'to')],
          color: { color: color, highlight: color, inherit: false },
          dashes: style.indexOf('dash') >= 0 ? [8, 5] : style.indexOf('dot') >= 0 ? [2, 4] : false,
          arrows: style.indexOf('arrow') >= 0 ? 'to' : undefined,
          title: link(l, 'title'),
        });
      }
    }
    if (this.vis) {
      this.vis.destroy();
    }
    this.container.textContent = '';
    this.stabilized = false;
    this.vis = new vis.Network(this.container, { nodes: nodes, edges: edges }, {
      width: String(options.width || '100%'),
      height: String(options.height || '440px'),
      layout: { randomSeed: 11 },
      physics: { stabilization: { iterations: 600 } },
      edges: { length: linkOptions.length || 150, width: 2 * (linkOptions.width || 1),
               smooth: false, selectionWidth: 0 },
      interaction: { hover: false, selectConnectedEdges: false },
    });
    this.vis.once('stabilizationIterationsDone', function () {
      self.vis.setOptions({ physics: false });
      self.vis.fit();
      self.stabilized = true;
    });
    this.vis.on('select', function (event) {
      self.selection = event.nodes.map(function (row) { return { row: row }; });
      if (window.google && google.visualization) {
        google.visualization.events.trigger(self, 'select', {});
      }
    });
  };

  Network.prototype.getSelection = function () {
    return this.selection.map(function (item) { return { row: item.row }; });
  };

  Network.prototype.setSelection = function (selection) {
    this.selection = (selection || []).map(function (item) { return { row: item.row }; });
    if (this.vis) {
      this.vis.selectNodes(this.selection.map(function (item) { return item.row; }));
    }
  };

  Network.instances = instances;
  window.links = { Network: Network };
})();
